#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <filesystem>
#include <new>
#include <unistd.h>

#include "document/QuilloryDoc.h"
#include "support/ControlStandIn.h"
#include "support/FailingHeap.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/StoredBytes.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace quillory::test {
namespace {

const MessageBoxRequest kCannotOpenBox{"Quillory", "Cannot Open or Read Selected File!", MessageIcon::Exclamation,
                                       MessageButtons::Ok};
const MessageBoxRequest kNotEnoughMemoryBox{"Quillory", "Not enough memory!", MessageIcon::Exclamation,
                                            MessageButtons::Ok};

class LoadFileTest : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedMessageBoxes boxes;
    FailingHeap heap;
    QuilloryDoc doc{boxes, heap};
    ControlStandIn control{doc};
};

TEST_F(LoadFileTest, EmptyFileLoadsAsTextWithItsName)
{
    doc.loadFile(dir.write("empty.txt", ""));
    EXPECT_EQ(doc.mode(), DocumentMode::Text);
    EXPECT_EQ(control.text, "");
    EXPECT_EQ(doc.title(), "empty.txt");
    EXPECT_EQ(doc.storage().bytes(), nullptr);
    EXPECT_EQ(doc.storage().length(), 0);
    EXPECT_EQ(doc.storage().capacity(), 0);
    EXPECT_EQ(control.updates, 1);
}

TEST_F(LoadFileTest, TextFileArrivesUnchangedWithEveryKindOfLineBreakAndHighBytes)
{
    const std::string content = "tab\there\r\nlf\nvt\x0B ff\x0C cr\rdel\x7F high\x80\xE9\xFF";
    doc.loadFile(dir.write("t.txt", content));
    EXPECT_EQ(doc.mode(), DocumentMode::Text);
    EXPECT_EQ(control.text, content);
    EXPECT_EQ(doc.storage().bytes(), nullptr);
    EXPECT_EQ(doc.storage().capacity(), 0);
}

TEST_F(LoadFileTest, BinaryFileShowsDisplayCopyAndKeepsTrueBytes)
{
    const std::string content = bytesOf({0x41, 0x00, 0x0D, 0x0A, 0x09, 0x42, 0x0B, 0x0C, 0x1B});
    doc.loadFile(dir.write("b.bin", content));
    EXPECT_EQ(doc.mode(), DocumentMode::Binary);
    EXPECT_EQ(control.text, bytesOf({0x41, 0x01, 0x01, 0x01, 0x01, 0x42, 0x0B, 0x0C, 0x1B}));
    EXPECT_EQ(storedBytes(doc.storage()), content);
    EXPECT_EQ(doc.storage().length(), 9);
    // Room for the first edits at the caret, before the bytes.
    EXPECT_EQ(doc.storage().capacity(), 9 + static_cast<std::int32_t>(QuilloryDoc::kHandOverSlack));
    EXPECT_EQ(doc.storage().bytes()[9], 0);
}

TEST_F(LoadFileTest, FullPathSplitsIntoDirectoryWithSlashAndName)
{
    const std::string path = dir.write("name with blanks.dat", "x");
    doc.loadFile(path);
    EXPECT_EQ(doc.folder(), dir.path() + "/");
    EXPECT_STREQ(doc.fileName(), "name with blanks.dat");
    EXPECT_EQ(doc.title(), "name with blanks.dat");
}

TEST_F(LoadFileTest, RelativePathIsKeptAbsolute)
{
    dir.write("here.txt", "abc");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    doc.loadFile("here.txt");
    std::filesystem::current_path(previous);
    EXPECT_EQ(doc.folder(), dir.path() + "/");
    EXPECT_STREQ(doc.fileName(), "here.txt");
    EXPECT_EQ(control.text, "abc");
}

TEST_F(LoadFileTest, BinaryThenTextLoadReleasesStorage)
{
    doc.loadFile(dir.write("b.bin", bytesOf({1, 2, 3})));
    ASSERT_NE(doc.storage().bytes(), nullptr);
    doc.loadFile(dir.write("t.txt", "plain"));
    EXPECT_EQ(doc.mode(), DocumentMode::Text);
    EXPECT_EQ(doc.storage().bytes(), nullptr);
    EXPECT_EQ(control.text, "plain");
}

TEST_F(LoadFileTest, MissingFileOrFolderChangesNothing)
{
    doc.loadFile(dir.write("b.bin", bytesOf({1, 2, 3})));
    control.updates = 0;
    for (const std::string& path : {dir.file("missing"), dir.path()}) {
        boxes.clear();
        doc.loadFile(path);
        EXPECT_EQ(boxes.shown(), std::vector<MessageBoxRequest>{kCannotOpenBox});
        EXPECT_EQ(control.updates, 0);
        EXPECT_EQ(doc.title(), "b.bin");
        EXPECT_EQ(storedBytes(doc.storage()), bytesOf({1, 2, 3}));
    }
}

TEST_F(LoadFileTest, NamedPipeIsRefusedWithoutWaitingForAWriter)
{
    const std::string path = dir.file("pipe");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    doc.loadFile(path);
    EXPECT_EQ(boxes.last(), kCannotOpenBox);
}

TEST_F(LoadFileTest, UnreadableFileIsReportedAndChangesNothing)
{
    const std::string path = dir.write("secret", "x");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                                 std::filesystem::perms::group_exec |
                                                 std::filesystem::perms::others_read |
                                                 std::filesystem::perms::others_exec);
    // In a child process without privileges; the child's answer is whether the load was refused
    // with the one right message and the document untouched.
    const bool refused = runUnprivileged([&] {
        const bool loaded = doc.loadFile(path);
        return !loaded && boxes.shown().size() == 1 && boxes.last() == kCannotOpenBox && doc.title() == "Untitled";
    });
    EXPECT_TRUE(refused);
}

TEST_F(LoadFileTest, FailedAllocationKeepsThePreviousBinaryDocumentIntact)
{
    doc.loadFile(dir.write("old.bin", bytesOf({1, 0, 2})));
    heap.failAfter(0);
    doc.loadFile(dir.write("new.bin", bytesOf({5, 6, 7, 8})));
    EXPECT_EQ(boxes.shown(), std::vector<MessageBoxRequest>{kNotEnoughMemoryBox});
    EXPECT_EQ(doc.title(), "old.bin");
    EXPECT_EQ(doc.mode(), DocumentMode::Binary);
    EXPECT_EQ(storedBytes(doc.storage()), bytesOf({1, 0, 2}));
    EXPECT_EQ(control.text, bytesOf({1, 1, 2}));
}

TEST_F(LoadFileTest, ViewWithoutMemoryForTheNewFileGetsTheOldDocumentBack)
{
    struct ViewWithoutMemory final : IDocumentView {
        void onUpdate() override { throw std::bad_alloc(); }
    } full;
    for (const std::string& next : {std::string("new.txt"), std::string("new.bin")}) {
        doc.loadFile(dir.write("old.bin", bytesOf({1, 0, 2})));
        control.selected = {3, 3};
        ASSERT_TRUE(doc.insertByte(7));
        boxes.clear();
        doc.attachView(&full);
        EXPECT_FALSE(doc.loadFile(dir.write(next, next == "new.txt" ? "text" : bytesOf({5, 6}))));
        doc.detachView(&full);
        EXPECT_EQ(boxes.shown(), std::vector<MessageBoxRequest>{kNotEnoughMemoryBox});
        EXPECT_EQ(doc.title(), "old.bin");
        EXPECT_STREQ(doc.fileName(), "old.bin");
        EXPECT_EQ(doc.folder(), dir.path() + "/");
        EXPECT_EQ(doc.mode(), DocumentMode::Binary);
        EXPECT_EQ(storedBytes(doc.storage()), bytesOf({1, 0, 2, 7}));
        EXPECT_EQ(doc.storage().capacity(), 3 + static_cast<std::int32_t>(QuilloryDoc::kHandOverSlack));
        ASSERT_TRUE(doc.undoBytes());  // its undo record too
        EXPECT_EQ(storedBytes(doc.storage()), bytesOf({1, 0, 2}));
    }
}

TEST_F(LoadFileTest, FileLargerThanThe32BitLimitIsRefused)
{
    // A sparse file costs no disk space.
    const std::string path = dir.write("huge", "");
    ASSERT_EQ(::truncate(path.c_str(), std::int64_t{INT32_MAX}), 0);
    doc.loadFile(dir.write("small.txt", "keep"));
    doc.loadFile(path);
    EXPECT_EQ(boxes.shown(), std::vector<MessageBoxRequest>{kNotEnoughMemoryBox});
    EXPECT_EQ(doc.title(), "small.txt");
    EXPECT_EQ(control.text, "keep");
}

TEST_F(LoadFileTest, LoadKeepsInsertModeAnsiOptionAndPrivateClipboard)
{
    doc.loadFile(dir.write("a.bin", bytesOf({1, 2, 3})));
    control.selected = {0, 2};
    doc.copyBytes();
    doc.setInsertMode(false);
    doc.setAnsiToAscii(true);
    doc.loadFile(dir.write("b.bin", bytesOf({9, 9, 9, 4})));
    EXPECT_FALSE(doc.insertMode());
    EXPECT_TRUE(doc.ansiToAscii());
    ASSERT_TRUE(doc.hasPrivateClip());
    EXPECT_EQ(doc.privateClip().size(), 2u);
}

TEST_F(LoadFileTest, NewDocumentResetsToUntitledTextAndDropsClipboard)
{
    doc.loadFile(dir.write("a.bin", bytesOf({1, 2, 3})));
    control.selected = {0, 1};
    doc.copyBytes();
    ASSERT_TRUE(doc.insertByte('x'));
    EXPECT_TRUE(doc.onNewDocument());
    EXPECT_EQ(doc.title(), "Untitled");
    EXPECT_STREQ(doc.fileName(), "");
    EXPECT_EQ(doc.mode(), DocumentMode::Text);
    EXPECT_TRUE(doc.saved());
    EXPECT_EQ(doc.storage().bytes(), nullptr);
    EXPECT_FALSE(doc.hasPrivateClip());
    EXPECT_FALSE(doc.canUndoBytes());
    EXPECT_EQ(control.text, "");
}

}  // namespace
}  // namespace quillory::test
