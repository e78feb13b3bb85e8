// BINARY editing in the real main window, where the accelerator keys (Shift+Delete, Alt+Backspace,
// Ctrl+Insert, Shift+Insert...) reach their commands through the menus: the storage never deletes
// or restores a byte on its own, and the control always shows the display copy of the storage.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <optional>
#include <random>

#include "document/QuilloryDoc.h"
#include "EditorInWindow.h"

namespace quillory {
namespace {

struct BinaryKeysInFrameTest : test::EditorInWindow {
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(startEditor(""));
        const std::string bytes = test::bytesOf({0x1B, 'a', 0, 'b', '\r', '\n', 'c', '\t', 'd', 0x7F, 0x80, 'e'});
        ASSERT_TRUE(app.document()->loadFile(dir.write("data.bin", bytes)));
        ASSERT_EQ(frame->paneText(StatusPane::Mode), "BINARY");
    }

    // Presses a key on the focused control, as the user would; menus see accelerators first.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        frame->updateCommandUi();
        QTest::keyClick(control, key, modifiers);
    }
};

TEST_F(BinaryKeysInFrameTest, CutAndUndoKeysChangeTheStorageOnlyThroughTheirCommands)
{
    const std::string original = storage();
    control->select(3, 3);
    press(Qt::Key_Delete, Qt::ShiftModifier);  // Cut without a selection: nothing
    EXPECT_EQ(storage(), original);
    press(Qt::Key_Backspace, Qt::AltModifier);  // Undo with nothing to undo: nothing
    EXPECT_EQ(storage(), original);

    control->select(2, 5);
    press(Qt::Key_Delete, Qt::ShiftModifier);  // Cut removes exactly the selection
    EXPECT_EQ(storage(), original.substr(0, 2) + original.substr(5));
    EXPECT_EQ(controlText(), test::displayOf(storage()));
    press(Qt::Key_Backspace, Qt::AltModifier);  // Undo puts exactly it back
    EXPECT_EQ(storage(), original);
    EXPECT_EQ(controlText(), test::displayOf(original));
    control->select(0, 0);
    press(Qt::Key_Insert, Qt::ShiftModifier);  // Paste puts the cut bytes at the caret
    EXPECT_EQ(storage(), original.substr(2, 3) + original);
    EXPECT_EQ(controlText(), test::displayOf(storage()));
}

TEST_F(BinaryKeysInFrameTest, TypedCharactersAboveAsciiAreStoredAsTheirOemBytes)
{
    // A typed character goes through Windows-1252 to the OEM table; 0x80 (the euro sign) is the
    // first byte the table converts, and it has no OEM form.
    const auto type = [this](char16_t character) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(character)));
        QApplication::sendEvent(control, &press);
    };
    const std::string original = storage();
    control->select(1, 1);
    type(0x20AC);
    EXPECT_EQ(storage(), original.substr(0, 1) + "\x3F" + original.substr(1));
    type(0xE9);
    EXPECT_EQ(storage(), original.substr(0, 1) + "\x3F\x82" + original.substr(1));
    EXPECT_EQ(controlText(), test::displayOf(original.substr(0, 1) + "\x80\xE9" + original.substr(1)));
}

TEST_F(BinaryKeysInFrameTest, RandomKeysWithAcceleratorsKeepDisplayAndStorageInStep)
{
    struct Press {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Press presses[] = {
        {Qt::Key_Delete, Qt::ShiftModifier},   {Qt::Key_X, Qt::ControlModifier},
        {Qt::Key_Backspace, Qt::AltModifier},  {Qt::Key_Z, Qt::ControlModifier},
        {Qt::Key_Insert, Qt::ControlModifier}, {Qt::Key_C, Qt::ControlModifier},
        {Qt::Key_Insert, Qt::ShiftModifier},   {Qt::Key_V, Qt::ControlModifier},
        {Qt::Key_D, Qt::ControlModifier},      {Qt::Key_Backspace, Qt::NoModifier},
        {Qt::Key_Delete, Qt::NoModifier},      {Qt::Key_Insert, Qt::NoModifier},
        {Qt::Key_Return, Qt::NoModifier},      {Qt::Key_Tab, Qt::NoModifier},
        {Qt::Key_2, Qt::ControlModifier},      {Qt::Key_Left, Qt::ShiftModifier},
        {Qt::Key_Right, Qt::ShiftModifier},    {Qt::Key_Home, Qt::NoModifier},
        {Qt::Key_End, Qt::ShiftModifier},      {Qt::Key_Right, Qt::NoModifier},
    };
    std::mt19937 random(77);
    for (int step = 0; step < 600; ++step) {
        const std::string before = storage();
        const std::int64_t start = control->selectionStart();
        const std::int64_t end = control->selectionEnd();
        const std::size_t which = random() % (std::size(presses) + 1);
        if (which == std::size(presses)) {
            QTest::keyClicks(control, QString(QChar('a' + static_cast<char>(random() % 26))));
        } else {
            press(presses[which].key, presses[which].modifiers);
            // Cut, by either key, removes exactly the selection from the storage, or nothing.
            if (which < 2) {
                ASSERT_EQ(storage(), before.substr(0, static_cast<std::size_t>(start)) +
                                         before.substr(static_cast<std::size_t>(end)))
                    << "step " << step;
            }
        }
        ASSERT_EQ(controlText(), test::displayOf(storage())) << "step " << step << " press " << which;
        ASSERT_EQ(app.document()->canUndoBytes(), control->canUndo()) << "step " << step << " press " << which;
    }
}

}  // namespace
}  // namespace quillory
