// Retrieval as a user meets it: the whole editor offscreen, addresses typed into the real URL bar,
// the Downloads menu, real servers on loopback (http and https, ftp, gopher, and servers of our own
// that trickle or hang), scripted message boxes and file dialogs.
#include "DownloadFixture.h"

namespace quillory {
namespace {

using test::DownloadTest;
using test::kBinary;
using test::kText;
using namespace cmd;

// The bar is there from the start; Return in its edit retrieves; no scheme means http. A text
// arrives into the empty editor.
void textOverHttpByReturn(DownloadTest& t)
{
    ASSERT_NE(t.servers.httpPort(), 0);
    EXPECT_TRUE(t.bar->isVisible());
    EXPECT_TRUE(t.frame->commandAction(ID_VIEW_URL_TOOLBAR)->isChecked());
    QTest::keyClicks(t.bar->urlEdit(), QString::fromStdString(t.http("/text.txt")));
    QTest::keyClick(t.bar->urlEdit(), Qt::Key_Return);
    EXPECT_FALSE(t.bar->retrieveButton()->isEnabled());
    EXPECT_TRUE(t.bar->stopButton()->isEnabled());
    ASSERT_TRUE(t.completed());
    EXPECT_TRUE(t.boxes.shown().empty());
    EXPECT_EQ(t.editorText(), kText);
    EXPECT_EQ(t.frame->windowTitle(), "Untitled - Quillory");
    EXPECT_EQ(t.frame->paneText(StatusPane::Mode), " TEXT ");
    EXPECT_EQ(t.frame->paneText(StatusPane::Encoding), "UTF-8");  // the text is valid UTF-8
    EXPECT_EQ(t.frame->paneText(StatusPane::Prompt), "Ready");
    EXPECT_TRUE(t.bar->retrieveButton()->isEnabled());
    EXPECT_FALSE(t.bar->stopButton()->isEnabled());
    EXPECT_FALSE(t.menuEnabled(ID_LOAD_SAVED_DOC));
    EXPECT_FALSE(t.menuEnabled(ID_SAVE_DOWNLOAD_AS));
}

// https, typed in capitals: the editor holds a document, so the download waits in memory;
// Load Saved Doc. then replaces the modified document without asking.
void binaryOverHttpsLoadedFromMemory(DownloadTest& t)
{
    ::setenv("QUILLORY_TEST_CA_FILE", t.servers.certificateAuthority().c_str(), 1);
    ASSERT_NE(t.servers.httpsPort(), 0);
    QTest::keyClicks(t.view->focusWidget(), "edited");
    t.retrieve("HTTPS://127.0.0.1:" + std::to_string(t.servers.httpsPort()) + "/bin.dat");
    ASSERT_TRUE(t.completed());
    ASSERT_EQ(t.boxes.shown().size(), 1u);
    EXPECT_EQ(t.boxes.last(), DownloadTest::info(kKeptInMemoryText));
    EXPECT_TRUE(t.menuEnabled(ID_LOAD_SAVED_DOC));
    t.choose(ID_LOAD_SAVED_DOC);
    EXPECT_EQ(t.boxes.shown().size(), 1u);
    EXPECT_EQ(t.frame->paneText(StatusPane::Mode), "BINARY");
    EXPECT_EQ(t.frame->paneText(StatusPane::Encoding), "");
    EXPECT_EQ(t.view->document().mode(), DocumentMode::Binary);
    const auto* stored = reinterpret_cast<const char*>(t.view->document().storage().bytes());
    EXPECT_EQ(std::string(stored, kBinary.size()), kBinary);
    std::string display = kBinary;
    makeDisplayCopy(reinterpret_cast<std::uint8_t*>(display.data()), display.size());
    EXPECT_EQ(t.editorText(), display);
    EXPECT_FALSE(t.menuEnabled(ID_LOAD_SAVED_DOC));
}

// ftp: kept, then saved exactly as received.
void binaryOverFtpSavedAsReceived(DownloadTest& t)
{
    ASSERT_NE(t.servers.ftpPort(), 0);
    t.retrieve("Ftp://127.0.0.1:" + std::to_string(t.servers.ftpPort()) + "/bin.dat");
    ASSERT_TRUE(t.completed());
    EXPECT_EQ(t.boxes.last(), DownloadTest::info(kKeptInMemoryText));
    t.fileDialogs.choosePath(t.dir.file("from-ftp.dat"));
    const std::string abandoned = t.dir.write(".quillory-save-k1lled00", "left by a killed save");
    t.choose(ID_SAVE_DOWNLOAD_AS);
    EXPECT_EQ(test::readAll(t.dir.file("from-ftp.dat")), kBinary);
    EXPECT_FALSE(std::filesystem::exists(abandoned));  // the save cleared what a killed one left
    EXPECT_FALSE(t.menuEnabled(ID_SAVE_DOWNLOAD_AS));
}

// gopher: kept, then saved exactly as received.
void binaryOverGopherSavedAsReceived(DownloadTest& t)
{
    ASSERT_NE(t.servers.gopherPort(), 0);
    t.retrieve("GOPHER://127.0.0.1:" + std::to_string(t.servers.gopherPort()) + "/9/bin.dat");
    ASSERT_TRUE(t.completed());
    EXPECT_EQ(t.boxes.shown().size(), 3u);
    EXPECT_EQ(t.heldDownload(), kBinary);
    t.fileDialogs.choosePath(t.dir.file("from-gopher.dat"));
    t.choose(ID_SAVE_DOWNLOAD_AS);
    EXPECT_EQ(test::readAll(t.dir.file("from-gopher.dat")), kBinary);
    EXPECT_EQ(t.fileDialogs.requests.back(),
              (FileDialogRequest{FileDialogRequest::Kind::Save, t.view->document().folder(), "", kFileDialogFilter}));
}

TEST_F(DownloadTest, DocumentsArriveByteForByteOverEverySchemeInTheirMode)
{
    ASSERT_NO_FATAL_FAILURE(textOverHttpByReturn(*this));
    ASSERT_NO_FATAL_FAILURE(binaryOverHttpsLoadedFromMemory(*this));
    ASSERT_NO_FATAL_FAILURE(binaryOverFtpSavedAsReceived(*this));
    ASSERT_NO_FATAL_FAILURE(binaryOverGopherSavedAsReceived(*this));

    // Hidden and shown again, the bar keeps the address.
    const QString typed = bar->urlEdit()->text();
    choose(ID_VIEW_URL_TOOLBAR);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_FALSE(frame->commandAction(ID_VIEW_URL_TOOLBAR)->isChecked());
    choose(ID_VIEW_URL_TOOLBAR);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->urlEdit()->text(), typed);
}

TEST_F(DownloadTest, ViewAfterDownloadOffAsksForAFileAndKeepsTheDownloadWhenCancelled)
{
    ASSERT_NE(servers.ftpPort(), 0);
    EXPECT_TRUE(frame->commandAction(ID_VIEW_AFTER_DOWNLOAD)->isChecked());
    choose(ID_VIEW_AFTER_DOWNLOAD);
    EXPECT_FALSE(frame->commandAction(ID_VIEW_AFTER_DOWNLOAD)->isChecked());
    fileDialogs.cancel();
    retrieve("ftp://127.0.0.1:" + std::to_string(servers.ftpPort()) + "/text.txt");
    ASSERT_TRUE(completed());
    EXPECT_EQ(boxes.shown(), (std::vector<MessageBoxRequest>{info(kNotViewedText), info(kNotSavedText)}));
    EXPECT_EQ(fileDialogs.requests.size(), 1u);
    EXPECT_EQ(editorText(), "");
    EXPECT_EQ(heldDownload(), kText);

    // A failed save is reported and keeps the download.
    const std::string nowhere = dir.file("missing/saved.txt");
    fileDialogs.choosePath(nowhere);
    choose(ID_SAVE_DOWNLOAD_AS);
    EXPECT_EQ(boxes.last(),
              (MessageBoxRequest{"File Error:", saveDownloadErrorText(nowhere) + "\nReason: No such file or directory",
                                 MessageIcon::Stop, MessageButtons::Ok}));
    EXPECT_EQ(heldDownload(), kText);
    fileDialogs.choosePath(dir.file("saved.txt"));
    choose(ID_SAVE_DOWNLOAD_AS);
    EXPECT_EQ(test::readAll(dir.file("saved.txt")), kText);
    EXPECT_EQ(heldDownload(), "");
}

TEST_F(DownloadTest, ANewRetrievalReplacesAnEarlierDownloadOnlyOnceItsDocumentArrives)
{
    ASSERT_NE(servers.httpPort(), 0);
    QTest::keyClicks(view->focusWidget(), "busy");
    retrieve(http("/bin.dat"));
    ASSERT_TRUE(completed());
    EXPECT_EQ(heldDownload(), kBinary);

    // Nobody listens: a Connection Error, the completion all the same, the earlier download kept
    // and not announced again.
    const std::string nobody = "127.0.0.1:" + std::to_string(test::freeLoopbackPort()) + "/";
    retrieve(nobody);
    ASSERT_TRUE(completed());
    EXPECT_EQ(boxes.last(), connectionError("http://" + nobody, "connection refused"));
    EXPECT_EQ(boxes.shown().size(), 2u);
    EXPECT_TRUE(bar->retrieveButton()->isEnabled());
    EXPECT_EQ(heldDownload(), kBinary);

    // A redirect to a local file is refused; one to another page is followed.
    retrieve(http("/to-file"));
    ASSERT_TRUE(completed());
    EXPECT_EQ(boxes.last(), connectionError("http://" + http("/to-file"), "redirect to a file:// address refused"));
    EXPECT_EQ(heldDownload(), kBinary);
    retrieve(http("/moved"));
    ASSERT_TRUE(completed());
    EXPECT_EQ(boxes.last(), info(kKeptInMemoryText));
    EXPECT_EQ(heldDownload(), kText);

    // A document of zero bytes replaces it with nothing: only Retrieve comes back.
    const std::size_t boxesBefore = boxes.shown().size();
    retrieve(http("/empty.txt"));
    ASSERT_TRUE(completed());
    EXPECT_EQ(boxes.shown().size(), boxesBefore);
    EXPECT_FALSE(menuEnabled(ID_LOAD_SAVED_DOC));
    EXPECT_EQ(editorText(), "busy");
}

TEST_F(DownloadTest, CertificatesAreVerifiedAndLocalFilesRefused)
{
    const std::string secure = "https://127.0.0.1:" + std::to_string(servers.httpsPort()) + "/text.txt";
    ASSERT_NE(servers.httpsPort(), 0);
    retrieve(secure);  // an authority the system does not know
    ASSERT_TRUE(completed());
    const std::string untrusted = "the server's certificate is not trusted: ";
    EXPECT_EQ(lastConnectionErrorReason(secure).rfind(untrusted, 0), 0u) << lastConnectionErrorReason(secure);

    ::setenv("QUILLORY_TEST_CA_FILE", servers.certificateAuthority().c_str(), 1);
    const std::string otherName = "https://localhost:" + std::to_string(servers.httpsPort()) + "/text.txt";
    retrieve(otherName);  // a certificate for 127.0.0.1 only
    ASSERT_TRUE(completed());
    EXPECT_EQ(lastConnectionErrorReason(otherName).rfind(untrusted, 0), 0u) << lastConnectionErrorReason(otherName);
    EXPECT_EQ(editorText(), "");

    retrieve("FiLe:///etc/hostname");
    EXPECT_EQ(boxes.last(), info(kLocalFileText));
    EXPECT_FALSE(downloads->retrieving());
    EXPECT_TRUE(bar->retrieveButton()->isEnabled());
    EXPECT_FALSE(bar->stopButton()->isEnabled());
    EXPECT_EQ(boxes.shown().size(), 3u);
}

TEST_F(DownloadTest, StopDuringASlowTransferAndANewRetrievalCompletesAtOnce)
{
    test::ScriptedServer slow(test::ScriptedServer::Behaviour::Trickle, 1000);
    ASSERT_NE(slow.port(), 0);
    ASSERT_NE(servers.httpPort(), 0);
    QTest::keyClicks(view->focusWidget(), "x");
    retrieve("127.0.0.1:" + std::to_string(slow.port()) + "/slow");
    // The status bar counts what arrives.
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return frame->paneText(StatusPane::Prompt).startsWith("Received 1 of 1,000 bytes"); }, 3000))
        << frame->paneText(StatusPane::Prompt).toStdString();
    EXPECT_EQ(heldDownload(), "a");

    QTest::mouseClick(bar->stopButton(), Qt::LeftButton);
    EXPECT_FALSE(downloads->retrieving());
    EXPECT_TRUE(bar->retrieveButton()->isEnabled());
    EXPECT_FALSE(bar->stopButton()->isEnabled());
    EXPECT_EQ(frame->paneText(StatusPane::Prompt), "Ready");
    EXPECT_EQ(heldDownload(), "");

    retrieve(http("/text.txt"));
    ASSERT_TRUE(completed());
    EXPECT_EQ(boxes.shown(), std::vector<MessageBoxRequest>{info(kKeptInMemoryText)});
    // The stopped worker has ended without a box, a completion or a byte more in the buffer.
    ASSERT_TRUE(waitForRetrievalWorkers(std::chrono::seconds(2)));
    QTest::qWait(50);
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(heldDownload(), kText);

    QTest::mouseClick(bar->stopButton(), Qt::LeftButton);  // nothing runs: nothing changes
    EXPECT_EQ(heldDownload(), kText);
}

TEST_F(DownloadTest, ClosingTheEditorWhileATransferHangsEndsTheWorkerAtOnce)
{
    test::ScriptedServer silent(test::ScriptedServer::Behaviour::Silent, 0);
    ASSERT_NE(silent.port(), 0);
    retrieve(" 127.0.0.1:" + std::to_string(silent.port()) + "/never ever");
    ASSERT_TRUE(QTest::qWaitFor([&silent] { return silent.connections() > 0; }, 3000));
    // Nothing has arrived: the status bar names the address as it is sent.
    EXPECT_EQ(frame->paneText(StatusPane::Prompt).toStdString(),
              "Retrieving http://127.0.0.1:" + std::to_string(silent.port()) + "/never%20ever");
    frame->close();
    app.reset();  // the view, its downloads and their buffer go with it
    view = nullptr;
    downloads = nullptr;
    EXPECT_TRUE(waitForRetrievalWorkers(std::chrono::seconds(1)));
    QTest::qWait(50);
    EXPECT_TRUE(boxes.shown().empty());
}

}  // namespace
}  // namespace quillory
