// Editing a BINARY document through the real control with keys and commands: the storage gets the
// true bytes, the control shows their display copy, and both undo the same edit.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "commands/CommandIds.h"
#include "document/ByteClassifier.h"
#include "view/ViewHarness.h"

namespace quillory::test {
namespace {

using namespace cmd;

std::string displayOf(std::string bytes)
{
    makeDisplayCopy(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
    return bytes;
}

class ViewEditingTest : public ::testing::Test {
protected:
    void loadBinary(const std::string& bytes) { h.load("b.bin", bytes); }
    void expectInStep() const { EXPECT_EQ(h.text(), displayOf(h.storage())); }
    ViewHarness h;
};

const std::string kTenBytes = bytesOf({0x1B, 1, 2, 3, 4, 5, 6, 7, 8, 0});

TEST_F(ViewEditingTest, TextFileIsHandedToTheControlAndStaysEditable)
{
    h.load("t.txt", "first line\r\nsecond");
    EXPECT_EQ(h.doc.storage().bytes(), nullptr);  // held once, by the control
    EXPECT_EQ(h.text(), "first line\r\nsecond");
    h.select(5, 5);
    h.type("!");
    h.key(Qt::Key_End, Qt::ControlModifier);
    h.type("?");
    EXPECT_EQ(h.text(), "first! line\r\nsecond?");
    h.load("u.txt", "");
    EXPECT_EQ(h.text(), "");
}

TEST_F(ViewEditingTest, TypingInInsertModeStoresTheByteAtTheCaret)
{
    loadBinary(kTenBytes);
    EXPECT_EQ(h.panes[StatusPane::Mode], "BINARY");
    h.select(3, 3);
    h.type("A");
    EXPECT_EQ(h.doc.storage().length(), 11);
    EXPECT_EQ(h.storage()[3], 'A');
    EXPECT_EQ(h.text()[3], 'A');
    expectInStep();
}

TEST_F(ViewEditingTest, TypedAnsiCharacterIsStoredAsOem)
{
    loadBinary(kTenBytes);
    h.select(1, 1);
    h.typeCharacter(QChar(0x00E9));
    EXPECT_EQ(static_cast<std::uint8_t>(h.storage()[1]), 0x82);
    EXPECT_EQ(static_cast<std::uint8_t>(h.text()[1]), 0xE9);
}

TEST_F(ViewEditingTest, EnterStoresCarriageReturnAndShowsHiddenByteInBothModes)
{
    loadBinary(kTenBytes);
    for (const bool overwrite : {false, true}) {
        if (overwrite)
            h.key(Qt::Key_Insert);
        h.select(2, 2);
        const std::string before = h.storage();
        h.key(Qt::Key_Return);
        EXPECT_EQ(h.storage(), before.substr(0, 2) + "\r" + before.substr(2));
        EXPECT_EQ(h.text()[2], '\x01');
        EXPECT_EQ(h.control().caretPosition(), 3);
        expectInStep();
    }
    h.select(0, 0);
    h.key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(h.storage()[0], '\n');
    h.key(Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(h.storage()[1], '\0');
    expectInStep();
}

TEST_F(ViewEditingTest, TabIsTypedLikeAnyCharacterAndShownAsHiddenByte)
{
    loadBinary(kTenBytes);
    h.select(3, 3);
    h.key(Qt::Key_Tab);  // insert mode inserts
    EXPECT_EQ(h.storage(), kTenBytes.substr(0, 3) + "\t" + kTenBytes.substr(3));
    EXPECT_EQ(h.text()[3], '\x01');
    h.command(ID_EDIT_UNDO);
    EXPECT_EQ(h.storage(), kTenBytes);

    h.key(Qt::Key_Insert);
    ASSERT_EQ(h.panes[StatusPane::InsertMode], "OVR");
    h.select(3, 3);
    h.key(Qt::Key_Tab);  // overwrite mode replaces the byte at the caret
    std::string expected = kTenBytes;
    expected[3] = '\t';
    EXPECT_EQ(h.storage(), expected);
    EXPECT_EQ(h.text(), displayOf(expected));
    EXPECT_EQ(h.control().caretPosition(), 4);
    h.command(ID_EDIT_UNDO);  // both give the overwritten byte back
    EXPECT_EQ(h.storage(), kTenBytes);
    expectInStep();

    h.select(10, 10);
    h.key(Qt::Key_Tab);  // at the end it appends
    EXPECT_EQ(h.storage(), kTenBytes + "\t");
    h.select(1, 4);
    h.key(Qt::Key_Tab);  // a selection is replaced by the one byte
    EXPECT_EQ(h.storage(), kTenBytes.substr(0, 1) + "\t" + kTenBytes.substr(4) + "\t");
    expectInStep();
}

TEST_F(ViewEditingTest, EnterOverASelectionReplacesTheWholeSelectionInBoth)
{
    loadBinary(kTenBytes);
    h.select(2, 6);
    h.key(Qt::Key_Return);
    EXPECT_EQ(h.doc.storage().length(), 7);
    expectInStep();
    h.command(ID_EDIT_UNDO);
    EXPECT_EQ(h.storage(), kTenBytes);
    expectInStep();
}

TEST_F(ViewEditingTest, BackspaceAtStartAndDeleteAtEndChangeNothing)
{
    loadBinary(kTenBytes);
    h.select(4, 4);
    h.type("x");
    h.select(0, 0);
    h.key(Qt::Key_Backspace);
    h.select(11, 11);
    h.key(Qt::Key_Delete);
    h.command(ID_EDIT_CLEAR);
    EXPECT_EQ(h.doc.storage().length(), 11);
    expectInStep();
    // The typed x is still what Undo takes back, in both.
    ASSERT_TRUE(h.enabled(ID_EDIT_UNDO));
    h.command(ID_EDIT_UNDO);
    EXPECT_EQ(h.storage(), kTenBytes);
    expectInStep();
}

TEST_F(ViewEditingTest, DeleteCommandRemovesOneCharacterAfterTheCaretInBothModes)
{
    loadBinary(kTenBytes);
    h.select(0, 0);
    EXPECT_TRUE(h.enabled(ID_EDIT_CLEAR));
    h.command(ID_EDIT_CLEAR);
    EXPECT_EQ(h.storage(), kTenBytes.substr(1));
    expectInStep();

    h.load("t.txt", "abc\r\nd");
    h.select(1, 1);
    h.command(ID_EDIT_CLEAR);
    EXPECT_EQ(h.text(), "ac\r\nd");
    h.select(2, 2);
    h.command(ID_EDIT_CLEAR);  // the line break goes whole
    EXPECT_EQ(h.text(), "acd");
}

TEST_F(ViewEditingTest, CopyOfAZeroBytePastesTheTrueByteAndItsDisplay)
{
    loadBinary(bytesOf({'a', 0, 'b', 0x1B}));
    h.select(0, 2);
    h.command(ID_EDIT_COPY);
    EXPECT_EQ(h.clipboard.content, u"a\u0001");
    h.clipboard.setText(u"something much longer from another program");
    h.select(4, 4);
    h.command(ID_EDIT_PASTE);
    EXPECT_EQ(h.storage(), bytesOf({'a', 0, 'b', 0x1B, 'a', 0}));
    expectInStep();
}

TEST_F(ViewEditingTest, PasteWithoutPrivateClipboardPastesNothing)
{
    loadBinary(kTenBytes);
    h.clipboard.setText(u"text of another program");
    EXPECT_FALSE(h.enabled(ID_EDIT_PASTE));
    h.key(Qt::Key_V, Qt::ControlModifier);  // the accelerator is the menu's; the control ignores it
    EXPECT_EQ(h.storage(), kTenBytes);
    expectInStep();
}

TEST_F(ViewEditingTest, FreeClipboardEmptiesItSoPasteIsDisabledInBothModes)
{
    h.load("t.txt", "hello");
    h.select(0, 5);
    h.command(ID_EDIT_COPY);
    ASSERT_TRUE(h.enabled(ID_EDIT_PASTE));
    h.command(ID_FREE_CLIPBOARD);
    EXPECT_FALSE(h.clipboard.canPaste());
    EXPECT_FALSE(h.enabled(ID_EDIT_PASTE));
    h.select(5, 5);
    EXPECT_FALSE(h.command(ID_EDIT_PASTE));
    EXPECT_EQ(h.text(), "hello");

    loadBinary(kTenBytes);
    h.select(0, 2);
    h.command(ID_EDIT_COPY);
    ASSERT_TRUE(h.enabled(ID_EDIT_PASTE));
    h.command(ID_FREE_CLIPBOARD);
    EXPECT_FALSE(h.clipboard.canPaste());
    EXPECT_FALSE(h.doc.hasPrivateClip());
    EXPECT_FALSE(h.enabled(ID_EDIT_PASTE));
}

TEST_F(ViewEditingTest, CutAndCopyNeedASelection)
{
    loadBinary(kTenBytes);
    h.select(3, 3);
    EXPECT_FALSE(h.enabled(ID_EDIT_CUT));
    EXPECT_FALSE(h.enabled(ID_EDIT_COPY));
    EXPECT_FALSE(h.command(ID_EDIT_CUT));
    EXPECT_EQ(h.storage(), kTenBytes);
    h.select(3, 5);
    EXPECT_TRUE(h.command(ID_EDIT_CUT));
    EXPECT_EQ(h.storage(), kTenBytes.substr(0, 3) + kTenBytes.substr(5));
    expectInStep();
}

TEST_F(ViewEditingTest, UndoIsEnabledOnlyWhileTheStorageHasARecord)
{
    loadBinary(kTenBytes);
    EXPECT_FALSE(h.enabled(ID_EDIT_UNDO));
    h.select(1, 1);
    h.type("z");
    EXPECT_TRUE(h.enabled(ID_EDIT_UNDO));
    h.command(ID_FREE_UNDO);
    EXPECT_FALSE(h.enabled(ID_EDIT_UNDO));
    EXPECT_FALSE(h.control().canUndo());
}

TEST_F(ViewEditingTest, UndoAlternatesInBothModes)
{
    loadBinary(kTenBytes);
    h.select(5, 5);
    h.type("q");
    h.command(ID_EDIT_UNDO);
    EXPECT_EQ(h.storage(), kTenBytes);
    expectInStep();
    h.command(ID_EDIT_UNDO);
    EXPECT_EQ(h.storage()[5], 'q');
    expectInStep();

    h.load("t.txt", "hello");
    h.select(5, 5);
    h.type("!!");
    h.command(ID_EDIT_UNDO);
    EXPECT_EQ(h.text(), "hello");
    h.command(ID_EDIT_UNDO);
    EXPECT_EQ(h.text(), "hello!!");
}

TEST_F(ViewEditingTest, InsertTogglesTheStatusPaneInTextModeToo)
{
    h.doc.onNewDocument();
    EXPECT_EQ(h.panes[StatusPane::InsertMode], "INS");
    h.key(Qt::Key_Insert);
    EXPECT_EQ(h.panes[StatusPane::InsertMode], "OVR");
    EXPECT_FALSE(h.doc.insertMode());
    h.type("ab");
    h.select(0, 0);
    h.type("X");
    EXPECT_EQ(h.text(), "Xb");
    h.key(Qt::Key_Insert);
    EXPECT_EQ(h.panes[StatusPane::InsertMode], "INS");
}

TEST_F(ViewEditingTest, KeyEditedBinaryFileIsSavedByteExact)
{
    const std::string original = bytesOf({0x00, 0x09, 0x0A, 0x0D, 0xFF, 0x1B});
    const std::string path = h.dir.write("exact.bin", original);
    h.doc.loadFile(path);
    h.select(6, 6);
    h.type("Z");
    h.select(0, 0);
    h.key(Qt::Key_Delete);
    h.command(ID_FILE_SAVE);
    EXPECT_EQ(readAll(path), original.substr(1) + "Z");
    EXPECT_FALSE(h.control().isModified());
}

TEST_F(ViewEditingTest, RandomKeysAndCommandsKeepDisplayAndStorageInStep)
{
    std::mt19937 random(2024);
    loadBinary(bytesOf({0x1B, 'a', 0, 'b', '\r', '\n', 'c', '\t', 'd', 0x7F, 0x80, 'e'}));
    const Qt::Key moves[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End, Qt::Key_Up, Qt::Key_Down};
    int lengthChanges = 0;
    for (int step = 0; step < 1500; ++step) {
        const std::int32_t lengthBefore = h.doc.storage().length();
        // What a typed byte does, from the mode and the selection: it replaces the byte at the
        // caret in overwrite mode, and the selection (empty or not) otherwise.
        const std::string before = h.storage();
        const CharRange selection = h.control().selection();
        const bool overwrite = !h.doc.insertMode();
        std::optional<std::string> typed;
        const auto expectTyped = [&](char byte) {
            std::string after = before;
            if (overwrite && selection.empty() && selection.start < lengthBefore)
                after[static_cast<std::size_t>(selection.start)] = byte;
            else
                after.replace(static_cast<std::size_t>(selection.start),
                              static_cast<std::size_t>(selection.end - selection.start), 1, byte);
            typed = after;
        };
        const int what = static_cast<int>(random() % 14);
        const Qt::KeyboardModifiers shift = random() % 2 ? Qt::ShiftModifier : Qt::NoModifier;
        switch (what) {
        case 0: {
            const char letter = static_cast<char>('a' + random() % 26);
            expectTyped(letter);
            h.type(QString(QChar(letter)));
            break;
        }
        case 1: h.key(Qt::Key_Return); break;
        case 2: h.key(Qt::Key_Backspace); break;
        case 3: h.key(Qt::Key_Delete); break;
        case 4: h.key(Qt::Key_Insert); break;
        case 5:
            h.key(Qt::Key_D, Qt::ControlModifier);
            h.command(ID_EDIT_CLEAR);
            break;
        case 6: h.command(ID_EDIT_CUT); break;
        case 7: h.command(ID_EDIT_COPY); break;
        case 8: h.command(ID_EDIT_PASTE); break;
        case 9: h.command(ID_EDIT_UNDO); break;
        case 10:
            expectTyped('\t');
            h.key(Qt::Key_Tab);
            break;
        case 11: h.key(Qt::Key_2, Qt::ControlModifier); break;
        default: h.key(moves[random() % 6], shift); break;
        }
        ASSERT_EQ(h.text(), displayOf(h.storage())) << "step " << step << " action " << what;
        if (typed) {
            ASSERT_EQ(h.storage(), *typed) << "step " << step << " action " << what;
        }
        ASSERT_EQ(h.doc.canUndoBytes(), h.control().canUndo()) << "step " << step << " action " << what;
        lengthChanges += h.doc.storage().length() != lengthBefore;
    }
    EXPECT_GT(lengthChanges, 300);
}

}  // namespace
}  // namespace quillory::test
