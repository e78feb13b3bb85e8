// The whole editor offscreen with its address space limited (the soft RLIMIT_AS, lowered to what
// is mapped now plus a little and raised again afterwards): a file to open, a paste, a file to
// insert and a download, each larger than the editor can hold, give their messages, and the
// editor goes on working with the document it had.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <iostream>
#include <sys/resource.h>
#include <unistd.h>

#include "app/EditorView.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "app/UrlBar.h"
#include "commands/CommandIds.h"
#include "document/QuilloryDoc.h"
#include "internet/DownloadBuffer.h"
#include "internet/Retrieval.h"
#include "internet/RetrievalMessages.h"
#include "internet/RetrievalProgressText.h"
#include "support/CancellingFontColorDialogs.h"
#include "support/LoopbackServers.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "controllers/DownloadsController.h"
#include "view/QuilloryView.h"

namespace quillory {
namespace {

using namespace cmd;

constexpr std::size_t kMegabyte = std::size_t{1024} * 1024;
// What the editor may map beyond what it has mapped when the limit is set.
constexpr std::size_t kSpare = 128 * kMegabyte;
constexpr std::size_t kDownloadBytes = 8 * kSpare;

std::size_t mappedBytes()
{
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// Limits the address space to what is mapped now plus spare bytes, for the object's lifetime.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(std::size_t spare)
    {
        ::getrlimit(RLIMIT_AS, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = mappedBytes() + spare;
        m_set = ::setrlimit(RLIMIT_AS, &lowered) == 0;
    }
    ~AddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &m_saved); }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;
    bool set() const { return m_set; }

private:
    rlimit m_saved{};
    bool m_set = false;
};

// Text of `bytes` bytes in lines of 100.
void writeText(const std::string& path, std::size_t bytes)
{
    std::string line(99, 'i');
    line += '\n';
    std::ofstream out(path, std::ios::binary);
    for (std::size_t written = 0; written < bytes; written += line.size())
        out << line;
}

const std::string kKept = "The document we had.\r\nIt stays.\r\n";

struct LowMemoryTest : ::testing::Test {
    void SetUp() override
    {
#if defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "AddressSanitizer maps terabytes of shadow memory: an address space limit means nothing";
#endif
        for (const char* proxy : {"http_proxy", "https_proxy", "ftp_proxy", "all_proxy", "HTTPS_PROXY", "ALL_PROXY"})
            ::unsetenv(proxy);
        app = std::make_unique<QuilloryApp>(boxes);
        app->setFileDialogs(&fileDialogs);
        app->setViewFactory(editorViewFactory(*app, boxes, dialogs, fileDialogs, dir.file("Quillory.dat")));
        ASSERT_TRUE(app->initInstance(dir.write("kept.txt", kKept)));
        frame = app->mainFrame();
        view = qobject_cast<QuilloryView*>(frame->activeView());
        ASSERT_NE(view, nullptr);
        control = &view->control();
        QApplication::setActiveWindow(frame);
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
        control->select(5, 5);
    }
    void TearDown() override
    {
        app.reset();
        EXPECT_TRUE(waitForRetrievalWorkers(std::chrono::seconds(2)));
    }

    void choose(int id)
    {
        frame->updateCommandUi();
        frame->commandAction(id)->trigger();
    }
    std::string text() const
    {
        return control->textRange(0, control->textLength());
    }
    // The document as it was, unmodified, and still taking keys, under the limit that refused.
    void expectTheDocumentWeHadStillWorks()
    {
        EXPECT_EQ(text(), kKept);
        EXPECT_EQ(app->document()->title(), "kept.txt");
        EXPECT_EQ(app->document()->mode(), DocumentMode::Text);
        EXPECT_FALSE(control->isModified());
        EXPECT_FALSE(control->canUndo());  // no undo step of an edit that did not happen
        EXPECT_EQ(control->selection(), (CharRange{5, 5}));
        frame->updateCommandUi();
        QTest::keyClicks(control, "ok ");
        EXPECT_EQ(text(), kKept.substr(0, 5) + "ok " + kKept.substr(5));
    }
    // Retrieves a document of 1 GB (zeros) from the loopback http server and waits for the end.
    void retrieveTooLargeDownload()
    {
        const std::string big = test::LoopbackServers::instance().publish("big.bin", "");
        ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(kDownloadBytes)), 0);
        retrieve("big.bin");
    }
    void retrieve(const std::string& name)
    {
        test::LoopbackServers& servers = test::LoopbackServers::instance();
        ASSERT_NE(servers.httpPort(), 0);
        UrlBar* bar = frame->urlBar();
        bar->urlEdit()->clear();
        QTest::keyClicks(bar->urlEdit(),
                         QString::fromStdString("127.0.0.1:" + std::to_string(servers.httpPort()) + "/" + name));
        QTest::mouseClick(bar->retrieveButton(), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !view->findChild<DownloadsController*>()->retrieving(); }, 60000));
    }
    std::int32_t downloadLength() const
    {
        return view->findChild<DownloadsController*>()->buffer().length();
    }
    // The "Memory Error:" box of a download cut short by memory, as boxTexts() lists it.
    static std::string partialDownloadBox(std::int64_t kept)
    {
        return std::string(kMemoryErrorCaption) + " " + kPartialDownloadText + "\nReason: out of memory; the first " +
               groupedDigits(kept) + " bytes were kept";
    }
    std::vector<std::string> boxTexts() const
    {
        std::vector<std::string> texts;
        for (const MessageBoxRequest& box : boxes.shown())
            texts.push_back(box.caption + " " + box.text);
        return texts;
    }

    test::ScriptedMessageBoxes boxes;
    test::CancellingFontColorDialogs dialogs;
    test::ScriptedFileDialogs fileDialogs;
    test::TempDir dir;
    std::unique_ptr<QuilloryApp> app;
    MainFrame* frame = nullptr;
    QuilloryView* view = nullptr;
    EditControl* control = nullptr;
};

TEST_F(LowMemoryTest, FilesLargerThanMemoryAreRefusedWithNotEnoughMemory)
{
    // One larger than the memory left; one that fits, but not the index of its lines (8 bytes a line).
    const std::string huge = dir.write("huge.txt", "");
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(3 * kSpare)), 0);
    for (const std::string& path : {huge, dir.write("lines.txt", std::string(kSpare / 2, '\n'))}) {
        SCOPED_TRACE(path);
        fileDialogs.choosePath(path);
        boxes.clear();
        {
            AddressSpaceLimit limit(kSpare);
            ASSERT_TRUE(limit.set());
            choose(ID_FILE_OPEN);
            expectTheDocumentWeHadStillWorks();
            control->setText(kKept);
            control->select(5, 5);
            control->setModified(false);
        }
        EXPECT_EQ(boxes.shown(), (std::vector<MessageBoxRequest>{{"Quillory", "Not enough memory!",
                                                                  MessageIcon::Exclamation, MessageButtons::Ok}}));
    }
}

TEST_F(LowMemoryTest, PasteLargerThanMemoryChangesNothingAndSaysSo)
{
    // Pastes of growing size: each either arrives whole or is refused with the one message, the
    // text and its undo step untouched; the largest cannot fit.
    int refused = 0;
    for (const std::size_t characters : {kSpare / 4, kSpare / 2, kSpare, 2 * kSpare}) {
        SCOPED_TRACE(characters);
        QGuiApplication::clipboard()->setText(QString(static_cast<qsizetype>(characters), QChar('p')));
        boxes.clear();
        bool pasted = false;
        {
            AddressSpaceLimit limit(kSpare);
            ASSERT_TRUE(limit.set());
            frame->updateCommandUi();
            QTest::keyClick(control, Qt::Key_V, Qt::ControlModifier);
            pasted = control->textLength() != static_cast<std::int64_t>(kKept.size());
            if (pasted) {
                frame->updateCommandUi();
                QTest::keyClick(control, Qt::Key_Z, Qt::ControlModifier);  // Undo takes it back
                EXPECT_EQ(text(), kKept);
            } else {
                expectTheDocumentWeHadStillWorks();
            }
            control->setText(kKept);  // no undo step left either way
            control->select(5, 5);
            control->setModified(false);
        }
        QGuiApplication::clipboard()->clear();
        if (pasted) {
            EXPECT_TRUE(boxes.shown().empty());
        } else {
            ++refused;
            EXPECT_EQ(boxes.shown(), (std::vector<MessageBoxRequest>{
                                         {"Error:", "Ran out of memory!", MessageIcon::Stop, MessageButtons::Ok}}));
        }
    }
    EXPECT_GE(refused, 1);
    std::cout << "Pastes of " << kSpare / 4 / kMegabyte << " to " << 2 * kSpare / kMegabyte
              << " M characters under a limit of " << kSpare / kMegabyte << " MB beyond what was mapped: " << refused
              << " of 4 refused\n";
}

TEST_F(LowMemoryTest, InsertedFileLargerThanMemoryChangesNothingAndSaysSo)
{
    // One too large for its own buffer, one whose buffer fits but not the text it would make.
    for (const std::size_t bytes : {2 * kSpare, kSpare * 3 / 4}) {
        SCOPED_TRACE(bytes);
        const std::string path = dir.file("insert.txt");
        writeText(path, bytes);
        fileDialogs.choosePath(path);
        boxes.clear();
        {
            AddressSpaceLimit limit(kSpare);
            ASSERT_TRUE(limit.set());
            choose(ID_INSERT_FILE);
            expectTheDocumentWeHadStillWorks();
            control->setText(kKept);
            control->select(5, 5);
            control->setModified(false);
        }
        EXPECT_EQ(boxes.shown(), (std::vector<MessageBoxRequest>{{"Mem Error:", "Not enough memory to hold data!",
                                                                  MessageIcon::Stop, MessageButtons::Ok}}));
    }
}

TEST_F(LowMemoryTest, DownloadLargerThanMemoryKeepsItsFirstPartAndTheDocument)
{
    std::int32_t kept = 0;
    {
        AddressSpaceLimit limit(kSpare);
        ASSERT_TRUE(limit.set());
        retrieveTooLargeDownload();
        expectTheDocumentWeHadStillWorks();
        kept = downloadLength();
    }
    EXPECT_GT(kept, 0);
    EXPECT_EQ(boxTexts(),
              (std::vector<std::string>{partialDownloadBox(kept), std::string("Info: ") + kKeptInMemoryText}));
    EXPECT_LT(static_cast<std::size_t>(kept), kDownloadBytes);
    std::cout << "Download under a limit of " << kSpare / kMegabyte << " MB beyond what was mapped: kept "
              << kept / static_cast<std::int32_t>(kMegabyte) << " MB of " << kDownloadBytes / kMegabyte << " MB\n";
}

TEST_F(LowMemoryTest, DownloadLargerThanMemoryIntoAnEmptyEditorShowsItsFirstPartOrSaysSo)
{
    choose(ID_FILE_NEW);
    ASSERT_EQ(text(), "");
    std::int64_t shown = -1;
    std::int32_t kept = 0;
    {
        AddressSpaceLimit limit(kSpare);
        ASSERT_TRUE(limit.set());
        retrieveTooLargeDownload();
        shown = control->textLength();
        kept = downloadLength();
        QTest::keyClicks(control, "ok");  // the editor goes on
    }
    const std::vector<std::string> texts = boxTexts();
    ASSERT_GE(texts.size(), 1u);
    const std::string cutShort = partialDownloadBox(0).substr(0, partialDownloadBox(0).find("0 bytes"));
    EXPECT_EQ(texts[0].rfind(cutShort, 0), 0u) << texts[0];
    if (texts.size() == 1) {
        // The part that arrived is the document, in BINARY mode, each of its bytes 0.
        EXPECT_GT(shown, 0);
        EXPECT_EQ(app->document()->mode(), DocumentMode::Binary);
        EXPECT_EQ(app->document()->storage().length(), shown + 2);
        EXPECT_EQ(text().substr(0, 2), "ok");
    } else {
        // No room to show it as well: it stays in memory, offered for saving.
        EXPECT_EQ(texts[1], std::string(kBinaryMemoryErrorCaption) + " " + kBinaryMemoryErrorText);
        EXPECT_GT(kept, 0);
        EXPECT_EQ(text(), "ok");
    }
    std::cout << "Download into an empty editor under a limit of " << kSpare / kMegabyte << " MB: "
              << (texts.size() == 1
                      ? "shown, " + std::to_string(shown / static_cast<std::int64_t>(kMegabyte)) + " MB"
                      : "kept in memory, " + std::to_string(kept / static_cast<std::int32_t>(kMegabyte)) + " MB")
              << "\n";
}

TEST_F(LowMemoryTest, DownloadWhoseLinesTheControlCannotIndexStaysInMemoryOfferedForSaving)
{
    // The download fits; the index of its lines does not.
    test::LoopbackServers::instance().publish("lines.txt", std::string(kSpare / 4, '\n'));
    choose(ID_FILE_NEW);
    std::int32_t kept = 0;
    {
        AddressSpaceLimit limit(kSpare);
        ASSERT_TRUE(limit.set());
        retrieve("lines.txt");
        kept = downloadLength();
        EXPECT_EQ(text(), "");
        QTest::keyClicks(control, "ok");  // the editor goes on
        EXPECT_EQ(text(), "ok");
    }
    EXPECT_EQ(boxTexts(),
              (std::vector<std::string>{"Quillory Not enough memory!", std::string("Info: ") + kNotSavedText}));
    ASSERT_EQ(fileDialogs.requests.size(), 1u);  // Save Download As, cancelled
    EXPECT_EQ(static_cast<std::size_t>(kept), kSpare / 4);
    EXPECT_EQ(app->document()->title(), "Untitled");
    EXPECT_EQ(app->document()->mode(), DocumentMode::Text);
}

}  // namespace
}  // namespace quillory
