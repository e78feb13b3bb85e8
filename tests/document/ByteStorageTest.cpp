// The storage edits at the document level: at the control's selection, with the control's undo
// buffer emptied before each edit.
#include <gtest/gtest.h>

#include "document/QuilloryDoc.h"
#include "support/ControlStandIn.h"
#include "support/FailingHeap.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/StoredBytes.h"
#include "support/TempDir.h"

namespace quillory::test {
namespace {

class ByteStorageTest : public ::testing::Test {
protected:
    // A loaded file without the room a load leaves before its bytes (Free Storage gives it back),
    // so that the storage's growth is what these cases exercise.
    void load(std::string_view bytes)
    {
        doc.loadFile(dir.write("f.bin", bytes));
        doc.onFreeStorage();
    }
    std::string bytes() const { return storedBytes(doc.storage()); }
    void select(int start, int end) { control.selected = {start, end}; }
    void caret(int at) { select(at, at); }

    TempDir dir;
    ScriptedMessageBoxes boxes;
    FailingHeap heap;
    QuilloryDoc doc{boxes, heap};
    ControlStandIn control{doc};
};

TEST_F(ByteStorageTest, BackspaceAtStartAndDeleteAtEndChangeNothingNotEvenTheUndoRecords)
{
    load(bytesOf({1, 2, 3}));
    caret(1);
    ASSERT_TRUE(doc.insertByte('a'));
    const int emptied = control.undoBufferEmptied;
    caret(0);
    EXPECT_FALSE(doc.deleteBytes(true));
    caret(4);
    EXPECT_FALSE(doc.deleteBytes(false));
    EXPECT_EQ(bytes(), bytesOf({1, 'a', 2, 3}));
    EXPECT_EQ(control.undoBufferEmptied, emptied);
    doc.undoBytes();  // the typed byte is still what undo reverts
    EXPECT_EQ(bytes(), bytesOf({1, 2, 3}));
}

TEST_F(ByteStorageTest, PositionsBeyondThirtyTwoBitsAreClampedIntoTheBytesNotWrapped)
{
    load(bytesOf({1, 2, 3, 4, 5}));
    constexpr Position kFar = (Position{1} << 32) + 2;  // 2 once cut to 32 bits
    control.selected = {kFar, kFar};
    EXPECT_TRUE(doc.insertByte('z'));  // at the end, not after the second byte
    EXPECT_EQ(bytes(), bytesOf({1, 2, 3, 4, 5, 'z'}));
    control.selected = {1, kFar};
    doc.copyBytes();  // from the second byte to the end
    ASSERT_TRUE(doc.hasPrivateClip());
    control.selected = {0, 0};
    ASSERT_TRUE(doc.pasteBytes());
    EXPECT_EQ(bytes(), bytesOf({2, 3, 4, 5, 'z', 1, 2, 3, 4, 5, 'z'}));
}

TEST_F(ByteStorageTest, BackspaceWithSelectionRemovesExactlyTheSelection)
{
    load(bytesOf({1, 2, 3, 4, 5}));
    select(1, 3);
    EXPECT_TRUE(doc.deleteBytes(true));
    EXPECT_EQ(bytes(), bytesOf({1, 4, 5}));
    doc.undoBytes();
    EXPECT_EQ(bytes(), bytesOf({1, 2, 3, 4, 5}));
}

TEST_F(ByteStorageTest, EveryEditEmptiesTheControlUndoBufferButCopyAndUndoDoNot)
{
    load(bytesOf({1, 2, 3}));
    caret(1);
    doc.insertByte('x');
    doc.overwriteByte('y');
    doc.deleteBytes(false);
    select(0, 1);
    doc.copyBytes();
    doc.pasteBytes();
    EXPECT_EQ(control.undoBufferEmptied, 4);
    doc.undoBytes();
    EXPECT_EQ(control.undoBufferEmptied, 4);
}

TEST_F(ByteStorageTest, InsertAtEndAppendsAndUndoAlternates)
{
    load(bytesOf({1, 2}));
    caret(2);
    ASSERT_TRUE(doc.insertByte(7));
    EXPECT_EQ(bytes(), bytesOf({1, 2, 7}));
    doc.undoBytes();
    EXPECT_EQ(bytes(), bytesOf({1, 2}));
    doc.undoBytes();
    EXPECT_EQ(bytes(), bytesOf({1, 2, 7}));
}

TEST_F(ByteStorageTest, OverwriteInTheMiddleReplacesOneByteAndUndoRestoresIt)
{
    load(bytesOf({1, 2, 3}));
    caret(1);
    ASSERT_TRUE(doc.overwriteByte(9));
    EXPECT_EQ(bytes(), bytesOf({1, 9, 3}));
    EXPECT_EQ(doc.storage().capacity(), 3);  // no growth for an exchange in place
    doc.undoBytes();
    EXPECT_EQ(bytes(), bytesOf({1, 2, 3}));
}

TEST_F(ByteStorageTest, OverwriteAtEndAppendsAndUndoRestoresTheLength)
{
    load(bytesOf({1, 2, 3}));
    caret(3);
    ASSERT_TRUE(doc.overwriteByte(9));
    EXPECT_EQ(bytes(), bytesOf({1, 2, 3, 9}));
    doc.undoBytes();
    EXPECT_EQ(bytes(), bytesOf({1, 2, 3}));
}

TEST_F(ByteStorageTest, PastingFiveOverEightShortensByThreeAndUndoAlternates)
{
    load(bytesOf({10, 11, 12, 13, 14, 1, 2, 3, 4, 5, 6, 7, 8, 20}));
    select(0, 5);
    doc.copyBytes();
    select(5, 13);
    ASSERT_TRUE(doc.pasteBytes());
    EXPECT_EQ(bytes(), bytesOf({10, 11, 12, 13, 14, 10, 11, 12, 13, 14, 20}));
    doc.undoBytes();
    EXPECT_EQ(bytes(), bytesOf({10, 11, 12, 13, 14, 1, 2, 3, 4, 5, 6, 7, 8, 20}));
    doc.undoBytes();
    EXPECT_EQ(bytes(), bytesOf({10, 11, 12, 13, 14, 10, 11, 12, 13, 14, 20}));
}

TEST_F(ByteStorageTest, PasteGrowsTheGapByTheClipAndAStepAndLaterPastesFitInIt)
{
    load(std::string(100, '\x01'));
    select(0, 100);
    doc.copyBytes();
    caret(50);
    ASSERT_TRUE(doc.pasteBytes());
    EXPECT_EQ(doc.storage().capacity(), 200 + ByteStorage::kMinGrowth);
    EXPECT_EQ(doc.storage().length(), 200);
    EXPECT_EQ(doc.storage().gapStart(), 150);

    select(0, 3);
    doc.copyBytes();
    caret(0);
    ASSERT_TRUE(doc.pasteBytes());
    EXPECT_EQ(doc.storage().capacity(), 200 + ByteStorage::kMinGrowth);
    EXPECT_EQ(doc.storage().length(), 203);
    EXPECT_EQ(doc.storage().gapStart(), 3);
}

TEST_F(ByteStorageTest, FirstInsertAfterLoadGrowsTheGapByAStepThatServesTheNextInsertions)
{
    load(bytesOf({1, 2, 3}));
    caret(3);
    doc.insertByte(4);
    constexpr std::int32_t kGrown = 3 + 1 + ByteStorage::kMinGrowth;
    EXPECT_EQ(doc.storage().capacity(), kGrown);
    for (int i = 0; i < 18; ++i) {
        caret(doc.storage().length());
        doc.insertByte('a');
    }
    EXPECT_EQ(doc.storage().length(), 22);
    caret(0);
    doc.insertByte('b');  // the gap moves to the start; no growth
    EXPECT_EQ(doc.storage().capacity(), kGrown);
    EXPECT_EQ(doc.storage().gapStart(), 1);
    EXPECT_EQ(bytes(), bytesOf({'b', 1, 2, 3, 4}) + std::string(18, 'a'));
    EXPECT_EQ(doc.storage().bytes()[doc.storage().length()], 0);
    EXPECT_EQ(doc.storage().gapStart(), 0);  // bytes() moved the gap to the nearer end
    EXPECT_EQ(doc.storage().capacity(), kGrown);
}

TEST_F(ByteStorageTest, PasteWithoutPrivateClipboardDoesNothing)
{
    load(bytesOf({1, 2, 3}));
    select(0, 2);
    EXPECT_FALSE(doc.pasteBytes());
    EXPECT_EQ(bytes(), bytesOf({1, 2, 3}));
    EXPECT_EQ(control.undoBufferEmptied, 0);
}

TEST_F(ByteStorageTest, CopyOfEmptySelectionGivesAnEmptyClipboardThatPastesNothing)
{
    load(bytesOf({1, 2, 3}));
    caret(1);
    doc.copyBytes();
    ASSERT_TRUE(doc.hasPrivateClip());
    EXPECT_TRUE(doc.privateClip().empty());
    EXPECT_TRUE(doc.pasteBytes());
    EXPECT_EQ(bytes(), bytesOf({1, 2, 3}));
}

TEST_F(ByteStorageTest, FailedGrowthOnInsertLeavesStorageUnchangedWithNothingToUndo)
{
    load(bytesOf({1, 2, 3}));
    caret(1);
    heap.failAfter(1);  // the undo record may be allocated, the growth fails
    EXPECT_FALSE(doc.insertByte(9));
    EXPECT_EQ(bytes(), bytesOf({1, 2, 3}));
    EXPECT_EQ(doc.storage().capacity(), 3);
    EXPECT_FALSE(doc.canUndoBytes());
    caret(3);
    EXPECT_FALSE(doc.overwriteByte(9));
    EXPECT_EQ(bytes(), bytesOf({1, 2, 3}));
    EXPECT_FALSE(doc.canUndoBytes());
}

TEST_F(ByteStorageTest, FailedGrowthOnPasteOverSelectionLeavesStorageUnchanged)
{
    load(bytesOf({1, 2, 3, 4}));
    select(0, 4);
    doc.copyBytes();
    select(1, 2);
    heap.failAfter(0);
    EXPECT_FALSE(doc.pasteBytes());
    EXPECT_EQ(bytes(), bytesOf({1, 2, 3, 4}));
    EXPECT_FALSE(doc.canUndoBytes());
}

TEST_F(ByteStorageTest, FailedUndoRecordStillEditsWithNothingToUndo)
{
    load(bytesOf({1, 2, 3}));
    caret(1);
    heap.failAfter(0);
    EXPECT_TRUE(doc.deleteBytes(false));
    EXPECT_EQ(bytes(), bytesOf({1, 3}));
    EXPECT_FALSE(doc.canUndoBytes());
    doc.undoBytes();
    EXPECT_EQ(bytes(), bytesOf({1, 3}));
}

TEST_F(ByteStorageTest, UndoThatCannotGrowChangesNothing)
{
    load(bytesOf({1, 2, 3, 4, 5}));
    select(1, 4);
    doc.deleteBytes(false);
    doc.onFreeStorage();
    heap.failAfter(0);
    EXPECT_FALSE(doc.undoBytes());
    EXPECT_EQ(bytes(), bytesOf({1, 5}));
    heap.succeedAlways();
    EXPECT_TRUE(doc.undoBytes());
    EXPECT_EQ(bytes(), bytesOf({1, 2, 3, 4, 5}));
}

TEST_F(ByteStorageTest, EnterInBinaryModeStoresThirteen)
{
    load(bytesOf({1, 2}));
    caret(1);
    ASSERT_TRUE(doc.insertByte(13));
    EXPECT_EQ(bytes(), bytesOf({1, 13, 2}));
}

}  // namespace
}  // namespace quillory::test
