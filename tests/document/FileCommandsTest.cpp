// New, Open, Save, Save As and the save-modified question, with scripted answers and dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

#include "base/CodePages.h"
#include "document/QuilloryDoc.h"
#include "editcore/Utf8.h"
#include "support/ControlStandIn.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/StoredBytes.h"
#include "support/TempDir.h"

namespace quillory::test {
namespace {

namespace fs = std::filesystem;

const std::string kUnableToSave =
    "Unable to save to default file!\nPlease check and make sure the file exists, or it's not currently "
    "used by another application. If this is a new document, then use the \"Save As...\" command.";
const std::string kErrorSaving =
    "Error in saving to selected file!\nPlease make sure file exists and is not in used by another application.";

class FileCommandsTest : public ::testing::Test {
protected:
    FileCommandsTest() { doc.setFileDialogs(&dialogs); }

    void typeText(const std::string& text)
    {
        control.text = text;
        control.modified = true;
    }
    std::vector<std::string> boxTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& box : boxes.shown())
            texts.push_back(box.text);
        return texts;
    }

    TempDir dir;
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    QuilloryDoc doc{boxes};
    ControlStandIn control{doc};
};

TEST_F(FileCommandsTest, BinarySaveWritesTheTrueBytesAfterEdits)
{
    const std::string path = dir.write("b.bin", bytesOf({0x00, 0x09, 0x0A, 0x0D, 0x1B, 0xFF}));
    doc.loadFile(path);
    control.selected = {1, 1};
    doc.insertByte(0x00);
    control.modified = true;
    doc.onFileSave();
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(readAll(path), bytesOf({0x00, 0x00, 0x09, 0x0A, 0x0D, 0x1B, 0xFF}));
    EXPECT_FALSE(control.modified);
    EXPECT_TRUE(doc.saved());
}

TEST_F(FileCommandsTest, AnsiToAsciiConvertsUtf8CharactersByTheirUnicodeValueThroughTheSameTable)
{
    // Every Windows-1252 character written in UTF-8 must become the OEM byte the table gives its
    // byte; a character Windows-1252 lacks, and a byte outside UTF-8, become '?'.
    std::string text;
    std::string expected;
    for (int b = 0; b < 256; ++b) {
        text += utf8::encode(cp1252ToUnicode(static_cast<std::uint8_t>(b)));
        expected.push_back(static_cast<char>(ansiToOem(static_cast<std::uint8_t>(b))));
    }
    text += "\xE4\xB8\xAD\xFF\xE2\x82";  // a CJK character, a stray byte, a cut sequence (two bytes)
    expected += "????";
    const std::string path = dir.write("u.txt", "old");
    doc.loadFile(path);
    ASSERT_EQ(doc.encoding(), TextEncoding::Utf8);
    typeText(text);
    doc.onAnsiToAscii();
    doc.onFileSave();
    EXPECT_EQ(readAll(path), expected);
    EXPECT_EQ(control.text, text);
}

TEST_F(FileCommandsTest, TextSaveWithAnsiToAsciiConvertsTheFileButNotTheControl)
{
    const std::string path = dir.write("t.txt", "old");
    doc.loadFile(path);
    doc.setEncoding(TextEncoding::Windows1252);  // a Windows-1252 document converts byte by byte
    typeText("caf\xE9 \x80");
    control.selected = {2, 4};
    doc.onAnsiToAscii();
    doc.onFileSave();
    EXPECT_EQ(readAll(path), "caf\x82 ?");
    EXPECT_EQ(control.text, "caf\xE9 \x80");
    EXPECT_EQ(control.selected, (CharRange{2, 2}));  // collapsed to its former start
    EXPECT_EQ(control.focusTaken, 1);
}

TEST_F(FileCommandsTest, AnsiToAsciiFromSettingsConvertsOnlyForOneUntilToggled)
{
    // A settings file may hold any value for the option: all but 0 show it on, only 1 converts.
    const std::string path = dir.write("t.txt", "old");
    doc.loadFile(path);
    doc.setEncoding(TextEncoding::Windows1252);
    typeText("caf\xE9");
    for (const std::uint32_t stored : {0u, 1u, 2u, 0x80000000u}) {
        doc.setAnsiToAsciiFromSettings(stored);
        EXPECT_EQ(doc.ansiToAscii(), stored != 0) << stored;
        doc.onFileSave();
        EXPECT_EQ(readAll(path), stored == 1 ? "caf\x82" : "caf\xE9") << stored;
    }
    doc.onAnsiToAscii();  // off, whatever the settings said
    doc.onAnsiToAscii();  // and on again: now it converts
    doc.onFileSave();
    EXPECT_TRUE(doc.ansiToAscii());
    EXPECT_EQ(readAll(path), "caf\x82");
}

TEST_F(FileCommandsTest, UntitledWithoutDefaultFolderGoesStraightToSaveAs)
{
    doc.onNewDocument();
    typeText("new text");
    const std::string path = dir.file("new.txt");
    dialogs.choosePath(path);
    doc.onFileSave();
    EXPECT_TRUE(boxes.shown().empty());
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, FileDialogRequest::Kind::Save);
    EXPECT_EQ(readAll(path), "new text");
    EXPECT_EQ(doc.title(), "new.txt");
    EXPECT_EQ(doc.folder(), dir.path() + "/");
}

TEST_F(FileCommandsTest, UntitledWithDefaultFolderWarnsThenOffersSaveAs)
{
    doc.onNewDocument();
    doc.setFolder(dir.path() + "/");
    typeText("x");
    dialogs.cancel();
    doc.onFileSave();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{kUnableToSave});
    EXPECT_EQ(boxes.last().icon, MessageIcon::Stop);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].initialDir, dir.path() + "/");
    EXPECT_TRUE(control.modified);
}

TEST_F(FileCommandsTest, SaveModifiedQuestionPaths)
{
    const std::string path = dir.write("t.txt", "original");
    doc.loadFile(path);
    typeText("changed");

    boxes.answer(MessageResult::Cancel);
    doc.onFileNew();
    EXPECT_EQ(boxes.last(), (MessageBoxRequest{"Quillory", "Save modified document?", MessageIcon::Question,
                                               MessageButtons::YesNoCancel}));
    EXPECT_EQ(control.text, "changed");
    EXPECT_EQ(doc.title(), "t.txt");

    boxes.answer(MessageResult::Yes);
    doc.onFileNew();
    EXPECT_EQ(readAll(path), "changed");
    EXPECT_EQ(doc.title(), "Untitled");

    typeText("scratch");
    boxes.answer(MessageResult::No);
    doc.onFileNew();
    EXPECT_EQ(control.text, "");
    EXPECT_EQ(readAll(path), "changed");
}

TEST_F(FileCommandsTest, YesOnUntitledThenCancelledSaveAsCancelsTheClose)
{
    doc.onNewDocument();
    typeText("unsaved");
    boxes.answer(MessageResult::Yes);
    dialogs.cancel();
    EXPECT_FALSE(doc.saveModified());
    EXPECT_EQ(control.text, "unsaved");
}

TEST_F(FileCommandsTest, NoThenCancelledOpenKeepsTheModifiedBinaryDocument)
{
    doc.loadFile(dir.write("b.bin", bytesOf({1, 2, 3})));
    control.modified = true;
    boxes.answer(MessageResult::No);
    dialogs.cancel();
    doc.onFileOpen();
    EXPECT_TRUE(control.modified);
    EXPECT_EQ(doc.storage().length(), 3);
    EXPECT_EQ(doc.mode(), DocumentMode::Binary);
}

TEST_F(FileCommandsTest, OpenShowsTheDialogInTheDefaultFolderAndLoads)
{
    doc.setFolder(dir.path() + "/");
    dialogs.choosePath(dir.write("b.bin", bytesOf({1, 0, 2})));
    doc.onFileOpen();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, FileDialogRequest::Kind::Open);
    EXPECT_EQ(dialogs.requests[0].initialDir, dir.path() + "/");
    EXPECT_EQ(dialogs.requests[0].filter.substr(0, 20), "All Files (*.*)|*.*|");
    EXPECT_EQ(doc.mode(), DocumentMode::Binary);
    EXPECT_EQ(control.text, bytesOf({1, 1, 2}));
}

TEST_F(FileCommandsTest, FailedOpenAfterBinaryLeavesAnEmptyTextDocument)
{
    doc.loadFile(dir.write("b.bin", bytesOf({1, 2, 3})));
    dialogs.choosePath(dir.file("missing"));
    doc.onFileOpen();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Cannot Open or Read Selected File!"});
    EXPECT_EQ(doc.mode(), DocumentMode::Text);
    EXPECT_EQ(doc.storage().bytes(), nullptr);
    EXPECT_EQ(control.text, "");
    EXPECT_EQ(doc.title(), "Untitled");
}

TEST_F(FileCommandsTest, SaveAsKeepsModeAndRenames)
{
    doc.loadFile(dir.write("b.bin", bytesOf({7, 0, 8})));
    const std::string path = dir.file("copy.bin");
    dialogs.choosePath(path);
    doc.onFileSaveAs();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].initialName, "b.bin");
    EXPECT_EQ(readAll(path), bytesOf({7, 0, 8}));
    EXPECT_EQ(doc.title(), "copy.bin");
    EXPECT_EQ(doc.mode(), DocumentMode::Binary);
}

TEST_F(FileCommandsTest, SaveAsIntoAMissingFolderFailsAndKeepsTheName)
{
    doc.loadFile(dir.write("t.txt", "a"));
    typeText("b");
    dialogs.choosePath(dir.file("no/such/folder/x.txt"));
    doc.onFileSaveAs();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{kErrorSaving});
    EXPECT_EQ(doc.title(), "t.txt");
    EXPECT_TRUE(control.modified);
}

TEST_F(FileCommandsTest, SaveKeepsPermissionsAndWritesThroughSymbolicLinks)
{
    // An absolute link, and a relative one that names the target beside it.
    for (const bool relative : {false, true}) {
        SCOPED_TRACE(relative ? "relative link" : "absolute link");
        const std::string real = dir.write("real.txt", "before");
        ::chmod(real.c_str(), 0640);
        const std::string link = dir.file("link");
        fs::remove(link);
        fs::create_symlink(relative ? "real.txt" : real, link);
        doc.loadFile(link);
        typeText(relative ? "after, relative" : "after");
        doc.onFileSave();
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link), relative ? "real.txt" : real);
        EXPECT_EQ(readAll(real), relative ? "after, relative" : "after");
        EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"link", "real.txt"}));  // no temporary file left behind
    }
}

TEST_F(FileCommandsTest, SaveRefusesANamedPipeThatTookTheFilesPlaceWithoutWaitingOnIt)
{
    const std::string path = dir.write("t.txt", "original");
    doc.loadFile(path);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    // Without a reader, then with one (the open for writing would then succeed at once).
    for (const bool withReader : {false, true}) {
        SCOPED_TRACE(withReader ? "with a reader" : "without a reader");
        const int reader = withReader ? ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
        typeText("changed");
        boxes.clear();
        boxes.answer(MessageResult::Yes);  // to "Save modified document?"
        auto newDocument = std::async(std::launch::async, [this] { doc.onFileNew(); });
        if (newDocument.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            // Save waits for a reader of the pipe: become one, so the test fails instead of hanging.
            const int rescue = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            newDocument.wait();
            ::close(rescue);
            FAIL() << "Save waited on the named pipe";
        }
        newDocument.get();
        EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Save modified document?", kErrorSaving}));
        EXPECT_EQ(boxes.last().icon, MessageIcon::Stop);
        EXPECT_TRUE(dialogs.requests.empty());  // no Save As
        // The failed save cancels the New: the document stays as it was.
        EXPECT_EQ(control.text, "changed");
        EXPECT_TRUE(control.modified);
        EXPECT_EQ(doc.title(), "t.txt");
        EXPECT_TRUE(fs::is_fifo(path));
        if (reader >= 0) {
            char byte = 0;
            EXPECT_LE(::read(reader, &byte, 1), 0);  // nothing was written into the pipe
            ::close(reader);
        }
    }
}

TEST_F(FileCommandsTest, FreeStorageGivesBackTheSlackOnly)
{
    doc.loadFile(dir.write("b.bin", bytesOf({1, 2, 3})));
    control.selected = {0, 0};
    doc.insertByte(9);
    // The load left room before the bytes, where the first byte typed at the start went.
    ASSERT_EQ(doc.storage().capacity(), 3 + static_cast<std::int32_t>(QuilloryDoc::kHandOverSlack));
    doc.onFreeStorage();
    EXPECT_EQ(doc.storage().capacity(), 4);
    EXPECT_EQ(storedBytes(doc.storage()), bytesOf({9, 1, 2, 3}));
}

}  // namespace
}  // namespace quillory::test
