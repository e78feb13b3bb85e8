// Retrieval where it goes wrong, as a user meets it: the Downloads menu kept away from a buffer that
// is still filling, a completion held behind a modal dialog, and every failed retrieval saying why
// (HTTP errors, missing files, redirects, broken connections) without announcing a document.
#include <QDialog>
#include <QTimer>

#include "DownloadFixture.h"

namespace quillory {
namespace {

using test::DownloadTest;
using test::kBinary;
using test::kText;
using test::ScriptedServer;
using namespace cmd;

std::string port(int number)
{
    return std::to_string(number);
}

TEST_F(DownloadTest, TheDownloadsMenuCannotReachTheBufferWhileBytesArrive)
{
    ASSERT_NE(servers.httpPort(), 0);
    QTest::keyClicks(view->focusWidget(), "busy");
    retrieve(http("/text.txt"));
    ASSERT_TRUE(completed());
    ASSERT_TRUE(menuEnabled(ID_LOAD_SAVED_DOC));  // an unclaimed download waits

    ScriptedServer slow(ScriptedServer::Behaviour::Trickle, 3);
    retrieve("127.0.0.1:" + port(slow.port()) + "/slow");
    EXPECT_FALSE(menuEnabled(ID_LOAD_SAVED_DOC));
    EXPECT_FALSE(menuEnabled(ID_SAVE_DOWNLOAD_AS));
    ASSERT_TRUE(QTest::qWaitFor([this] { return heldDownload() == "a"; }, 3000)) << heldDownload();
    EXPECT_FALSE(menuEnabled(ID_LOAD_SAVED_DOC));
    EXPECT_FALSE(menuEnabled(ID_SAVE_DOWNLOAD_AS));
    // Neither runs however it is asked for: through the route (a key, a toolbar button) or directly.
    fileDialogs.choosePath(dir.file("mid-transfer.txt"));
    EXPECT_FALSE(frame->onCommand(ID_SAVE_DOWNLOAD_AS));
    EXPECT_FALSE(frame->onCommand(ID_LOAD_SAVED_DOC));
    downloads->saveDownloadAs();
    downloads->loadSavedDocument();
    EXPECT_TRUE(fileDialogs.requests.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("mid-transfer.txt")));
    EXPECT_EQ(editorText(), "busy");
    fileDialogs.answers.clear();

    // The whole document arrives and is offered whole.
    ASSERT_TRUE(QTest::qWaitFor([this] { return !downloads->retrieving(); }, 8000));
    EXPECT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.last(), info(kKeptInMemoryText));
    EXPECT_EQ(heldDownload(), "abc");
    fileDialogs.choosePath(dir.file("whole.txt"));
    choose(ID_SAVE_DOWNLOAD_AS);
    EXPECT_EQ(test::readAll(dir.file("whole.txt")), "abc");
}

TEST_F(DownloadTest, ACompletionWaitsUntilTheModalDialogInFrontOfItCloses)
{
    ScriptedServer slow(ScriptedServer::Behaviour::Trickle, 2);
    retrieve("127.0.0.1:" + port(slow.port()) + "/slow");
    ASSERT_TRUE(QTest::qWaitFor([this] { return heldDownload() == "a"; }, 3000));

    // File > Save As of the empty document; its dialog stays open until the worker has ended and
    // its completion has had time to arrive.
    bool heldWhileOpen = false;
    fileDialogs.whileOpen = [&] {
        QDialog dialog(frame);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        EXPECT_TRUE(QTest::qWaitFor([] { return waitForRetrievalWorkers(std::chrono::milliseconds(0)); }, 8000));
        QTest::qWait(300);
        heldWhileOpen = downloads->retrieving() && editorText().empty();
        dialog.close();
    };
    fileDialogs.choosePath(dir.file("saved-as.txt"));
    choose(ID_FILE_SAVE_AS);
    fileDialogs.whileOpen = nullptr;
    EXPECT_TRUE(heldWhileOpen);
    // The file holds what the user saw when they chose to save; then the download is shown.
    ASSERT_TRUE(std::filesystem::exists(dir.file("saved-as.txt")));
    EXPECT_EQ(test::readAll(dir.file("saved-as.txt")), "");
    ASSERT_TRUE(completed());
    EXPECT_EQ(editorText(), "ab");
    EXPECT_EQ(frame->windowTitle(), "Untitled - Quillory");
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(DownloadTest, AFailedRetrievalSaysWhyAndAnnouncesNothing)
{
    ASSERT_NE(servers.httpPort(), 0);
    ASSERT_NE(servers.ftpPort(), 0);
    ASSERT_NE(servers.gopherPort(), 0);
    QTest::keyClicks(view->focusWidget(), "busy");
    retrieve(http("/bin.dat"));
    ASSERT_TRUE(completed());
    ASSERT_EQ(heldDownload(), kBinary);

    // Each failure: one Connection Error with its reason, the earlier download kept, no other box.
    const auto fails = [this](const std::string& url, const std::string& reason) {
        const std::size_t before = boxes.shown().size();
        retrieve(url);
        ASSERT_TRUE(completed()) << url;
        EXPECT_EQ(boxes.shown().size(), before + 1) << url;
        EXPECT_EQ(lastConnectionErrorReason(url), reason) << url;
        EXPECT_EQ(heldDownload(), kBinary) << url;
    };
    fails("http://" + http("/missing.txt"), "HTTP 404 Not Found");
    ScriptedServer failing("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 6\r\n\r\nbroken");
    fails("http://127.0.0.1:" + port(failing.port()) + "/", "HTTP 500 Internal Server Error");
    fails("ftp://127.0.0.1:" + port(servers.ftpPort()) + "/missing.txt", "the file was not found on the server");
    fails("gopher://127.0.0.1:" + port(servers.gopherPort()) + "/0/missing.txt",
          "the gopher server answered: '/missing.txt' does not exist (no handler found)");
    // A label too long for the name system: refused on this machine, no name server is asked.
    const std::string noSuchHost = "no-such-host-" + std::string(60, 'x') + ".invalid";
    fails("http://" + noSuchHost + "/", "host not found (" + noSuchHost + ")");
    fails("http://" + http("/hop11"), "too many redirects (more than 10)");
    for (const std::string scheme : {"dict", "ftps", "file"}) {
        ScriptedServer redirect("HTTP/1.1 302 Found\r\nLocation: " + scheme +
                                "://127.0.0.1/x\r\nContent-Length: 0\r\n\r\n");
        fails("http://127.0.0.1:" + port(redirect.port()) + "/", "redirect to a " + scheme + ":// address refused");
    }

    // Ten redirects are followed, and so is one from http to gopher (to a document short enough
    // to be held back until it is known not to be the server's error line).
    retrieve(http("/hop10"));
    ASSERT_TRUE(completed());
    EXPECT_EQ(boxes.last(), info(kKeptInMemoryText));
    EXPECT_EQ(heldDownload(), kText);
    ScriptedServer toGopher("HTTP/1.1 302 Found\r\nLocation: gopher://127.0.0.1:" + port(servers.gopherPort()) +
                            "/0/short.txt\r\nContent-Length: 0\r\n\r\n");
    servers.publish("short.txt", "3 fields\tseparated\tby\ttabs, yet a document\n");
    retrieve("127.0.0.1:" + port(toGopher.port()) + "/");
    ASSERT_TRUE(completed());
    EXPECT_EQ(boxes.last(), info(kKeptInMemoryText));
    EXPECT_EQ(heldDownload(), "3 fields\tseparated\tby\ttabs, yet a document\n");

    // A connection closed part-way: the box says how much arrived before the part is offered.
    ScriptedServer cut("HTTP/1.1 200 OK\r\nContent-Length: 600000\r\n\r\n" + std::string(5000, 'p'));
    const std::string cutUrl = "http://127.0.0.1:" + port(cut.port()) + "/";
    const std::size_t before = boxes.shown().size();
    retrieve(cutUrl);
    ASSERT_TRUE(completed());
    ASSERT_EQ(boxes.shown().size(), before + 2);
    EXPECT_EQ(boxes.shown()[before],
              connectionError(cutUrl, "the server closed the connection after 5,000 of 600,000 bytes"));
    EXPECT_EQ(boxes.last(), info(kKeptInMemoryText));
    EXPECT_EQ(heldDownload(), std::string(5000, 'p'));
}

TEST_F(DownloadTest, PastedAddressesLoseTheirBlanksAndAreSentEncoded)
{
    ScriptedServer server("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    // As a paste from a web page brings it: blanks around, a blank and non-ASCII inside.
    bar->urlEdit()->setText(
        QString::fromUtf8(" \t127.0.0.1:" + QByteArray::number(server.port()) + "/a file/caf\xC3\xA9?q=x y \n"));
    QTest::mouseClick(bar->retrieveButton(), Qt::LeftButton);
    ASSERT_TRUE(completed());
    EXPECT_EQ(server.lastRequestLine(), "GET /a%20file/caf%C3%A9?q=x%20y HTTP/1.1");
    EXPECT_EQ(editorText(), "ok");

    // The boxes show the address as it was sent.
    const int nobody = test::freeLoopbackPort();
    bar->urlEdit()->setText(QString::fromStdString("  127.0.0.1:" + port(nobody) + "/a b\t"));
    QTest::mouseClick(bar->retrieveButton(), Qt::LeftButton);
    ASSERT_TRUE(completed());
    EXPECT_EQ(boxes.last(), connectionError("http://127.0.0.1:" + port(nobody) + "/a%20b", "connection refused"));
}

TEST_F(DownloadTest, StopDuringAFastLargeTransferLeavesTheBufferEmpty)
{
    std::string large(48 << 20, 'L');
    servers.publish("large.bin", large);
    ASSERT_NE(servers.httpPort(), 0);
    QTest::keyClicks(view->focusWidget(), "busy");
    retrieve(http("/large.bin"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return downloads->buffer().length() > 0; }, 5000));
    QTest::mouseClick(bar->stopButton(), Qt::LeftButton);
    EXPECT_EQ(heldDownload(), "");
    ASSERT_TRUE(waitForRetrievalWorkers(std::chrono::seconds(2)));
    QTest::qWait(100);
    EXPECT_EQ(heldDownload(), "");
    EXPECT_FALSE(downloads->retrieving());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_FALSE(menuEnabled(ID_LOAD_SAVED_DOC));
}

}  // namespace
}  // namespace quillory
