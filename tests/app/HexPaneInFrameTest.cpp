// The hex pane in the real main window: keys typed into it against a plain model of the bytes, one
// caret and selection for both panes whichever is clicked, and hex digits typed a nibble at a time.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <optional>
#include <random>

#include "commands/CommandIds.h"
#include "controllers/EditorFeatures.h"
#include "controllers/HexPaneController.h"
#include "editcontrol/HexPane.h"
#include "EditorInWindow.h"

namespace quillory {
namespace {

using namespace cmd;

// What the bytes of a BINARY document become under keys typed into the pane: the storage's rules
// (the selection is replaced, overwrite replaces the byte at the caret, one undo record that a
// second undo redoes) and the pane's own (two hex digits make one byte and one undo step).
struct PaneModel {
    std::string bytes;
    std::int64_t anchor = 0;
    std::int64_t caret = 0;
    bool insert = true;
    std::optional<std::string> clip;
    std::optional<std::string> undone;  // what Undo gives back
    struct Pending {
        std::int64_t offset;
        std::int64_t end;  // of what the first digit replaced
        int high;
        std::string before;
    };
    std::optional<Pending> pending;

    std::int64_t size() const { return static_cast<std::int64_t>(bytes.size()); }
    std::int64_t selStart() const { return std::min(anchor, caret); }
    std::int64_t selEnd() const { return std::max(anchor, caret); }
    void edit(std::string after, std::int64_t newCaret)
    {
        undone = bytes;
        bytes = std::move(after);
        anchor = caret = newCaret;
    }
    std::string replaced(std::int64_t start, std::int64_t end, const std::string& with) const
    {
        std::string after = bytes;
        after.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), with);
        return after;
    }

    void digit(int d)
    {
        if (pending && anchor == caret && caret == pending->offset + 1) {
            const Pending p = *pending;
            pending.reset();
            bytes = p.before;
            edit(replaced(p.offset, p.end, std::string(1, static_cast<char>(p.high << 4 | d))), p.offset + 1);
            return;
        }
        // Over the byte at the caret (OVR) the digit is its high nibble; else it is a new byte d0.
        const bool overwrite = !insert && anchor == caret && caret < size();
        const std::int64_t at = selStart();
        const std::int64_t end = overwrite ? at + 1 : selEnd();
        const std::string before = bytes;
        const auto low = overwrite ? static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(at)]) & 0x0F : 0;
        edit(replaced(at, end, std::string(1, static_cast<char>(d << 4 | low))), at + 1);
        pending = Pending{at, end, d, before};
    }
    void erase(bool backward)
    {
        if (anchor != caret)
            edit(replaced(selStart(), selEnd(), ""), selStart());
        else if (backward && caret > 0)
            edit(replaced(caret - 1, caret, ""), caret - 1);
        else if (!backward && caret < size())
            edit(replaced(caret, caret + 1, ""), caret);
    }
    void cut()
    {
        if (anchor == caret)
            return;
        clip = bytes.substr(static_cast<std::size_t>(selStart()), static_cast<std::size_t>(selEnd() - selStart()));
        edit(replaced(selStart(), selEnd(), ""), selStart());
    }
    void copy()
    {
        if (anchor != caret)
            clip = bytes.substr(static_cast<std::size_t>(selStart()), static_cast<std::size_t>(selEnd() - selStart()));
    }
    void paste()
    {
        if (clip)
            edit(replaced(selStart(), selEnd(), *clip), selStart() + static_cast<std::int64_t>(clip->size()));
    }
    // The caret a navigation key asks for.
    void navigate(Qt::Key key, bool shift)
    {
        std::int64_t to = caret;
        switch (key) {
        case Qt::Key_Left: to = !shift && anchor != caret ? selStart() : caret - 1; break;
        case Qt::Key_Right: to = !shift && anchor != caret ? selEnd() : caret + 1; break;
        case Qt::Key_Up: to = caret >= 16 ? caret - 16 : caret; break;
        case Qt::Key_Down: to = caret + 16 <= size() ? caret + 16 : caret; break;
        case Qt::Key_Home: to = caret - caret % 16; break;
        case Qt::Key_End: to = caret - caret % 16 + 16; break;
        default: break;
        }
        to = std::clamp<std::int64_t>(to, 0, size());
        anchor = shift ? anchor : to;
        caret = to;
    }
};

struct HexPaneInFrameTest : test::EditorInWindow {
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(startEditor("")); }

    HexPaneController& controller() const
    {
        return *qobject_cast<QuilloryView*>(frame->activeView())->findChild<HexPaneController*>();
    }
    HexRows& rows() const { return controller().pane().rows(); }
    void load(const std::string& bytes) { ASSERT_TRUE(app.document()->loadFile(dir.write("data.bin", bytes))); }
    // A key on the pane, as the user presses it: the menus' accelerators see it first.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        frame->updateCommandUi();
        QTest::keyClick(&rows(), key, modifiers);
    }
    void typeHex(char digit)
    {
        frame->updateCommandUi();
        QTest::keyClicks(&rows(), QString(QLatin1Char(digit)));
    }
    void clickPane(std::int64_t offset, bool inHex, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(rows().viewport(), Qt::LeftButton, modifiers, rows().pointOf(offset, inHex));
    }
    bool randomKey(int what, std::mt19937& random, PaneModel& model);
    void expectOneSelection() const
    {
        EXPECT_EQ(rows().caret(), control->caretPosition());
        EXPECT_EQ(std::min(rows().anchor(), rows().caret()), control->selectionStart());
        EXPECT_EQ(std::max(rows().anchor(), rows().caret()), control->selectionEnd());
    }
};

// One random key for the pane, pressed on it and made in the model; false when the model cannot
// tell where the caret goes (Undo).
bool HexPaneInFrameTest::randomKey(int what, std::mt19937& random, PaneModel& model)
{
    const Qt::Key moves[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End};
    const bool shift = random() % 2 != 0;
    switch (what) {
    case 0:
    case 1: {
        const int d = static_cast<int>(random() % 16);
        model.digit(d);
        typeHex("0123456789abcdef"[d]);
        return true;
    }
    case 2:
        model.erase(true);
        press(Qt::Key_Backspace);
        return true;
    case 3:
        model.erase(false);
        press(Qt::Key_Delete);
        return true;
    case 4:
        model.insert = !model.insert;
        press(Qt::Key_Insert);
        return true;
    case 5:
        model.cut();
        press(Qt::Key_X, Qt::ControlModifier);
        return true;
    case 6:
        model.copy();
        press(Qt::Key_C, Qt::ControlModifier);
        return true;
    case 7:
        model.paste();
        press(Qt::Key_V, Qt::ControlModifier);
        return true;
    case 8:
        if (model.undone)
            std::swap(model.bytes, *model.undone);
        press(Qt::Key_Z, Qt::ControlModifier);
        return false;
    default: {
        const Qt::Key key = moves[random() % 6];
        model.navigate(key, shift);
        press(key, shift ? Qt::ShiftModifier : Qt::NoModifier);
        return true;
    }
    }
}

TEST_F(HexPaneInFrameTest, RandomKeysInThePaneKeepTheBytesAsAPlainModelHasThem)
{
    std::mt19937 random(4711);
    PaneModel model;
    model.bytes = test::bytesOf({0x1B, 'a', 0, 'b', '\r', '\n', 'c', '\t', 'd', 0x7F, 0x80, 'e', 0xFF, 0x00, 0x0A});
    ASSERT_NO_FATAL_FAILURE(load(model.bytes));
    ASSERT_TRUE(controller().isShown());
    clickPane(0, true);
    ASSERT_TRUE(rows().hasFocus());
    int secondDigits = 0;
    for (int step = 0; step < 1200; ++step) {
        const int what = static_cast<int>(random() % 16);
        const PaneModel before = model;
        secondDigits += what <= 1 && model.pending.has_value();
        const bool caretKnown = randomKey(what, random, model);
        // A byte's second digit must follow its first: an editing key or any change of the bytes,
        // the caret or the selection in between ends it (a key that changes nothing does not).
        if (what > 1 &&
            (what <= 4 || model.bytes != before.bytes || model.anchor != before.anchor || model.caret != before.caret))
            model.pending.reset();
        const std::string trace = "step " + std::to_string(step) + " action " + std::to_string(what);
        ASSERT_EQ(storage(), model.bytes) << trace;
        ASSERT_EQ(controlText(), test::displayOf(storage())) << trace;
        ASSERT_EQ(app.document()->canUndoBytes(), control->canUndo()) << trace;
        ASSERT_NO_FATAL_FAILURE(expectOneSelection()) << trace;
        if (caretKnown) {
            ASSERT_EQ(control->caretPosition(), model.caret) << trace;
            ASSERT_EQ(control->selection(), (CharRange{model.selStart(), model.selEnd()})) << trace;
        } else {
            model.anchor = rows().anchor();
            model.caret = rows().caret();
        }
    }
    EXPECT_GT(secondDigits, 20);
}

TEST_F(HexPaneInFrameTest, ClicksInEitherPaneMoveTheOneCaretAndSelection)
{
    std::string bytes;
    for (int i = 0; i < 64; ++i)
        bytes += static_cast<char>(i);
    ASSERT_NO_FATAL_FAILURE(load(bytes));
    EXPECT_TRUE(control->hasFocus());  // the keyboard stays with the characters until the pane is clicked
    clickPane(5, true);
    EXPECT_TRUE(rows().hasFocus());
    EXPECT_EQ(control->selection(), (CharRange{5, 5}));
    EXPECT_EQ(controller().pane().caretText(), "Offset: 0x00000005 (5)");
    clickPane(20, false, Qt::ShiftModifier);  // the characters column of the pane
    EXPECT_EQ(control->selection(), (CharRange{5, 20}));
    EXPECT_EQ(control->caretPosition(), 20);
    expectOneSelection();

    // A click in the characters moves the pane's caret too.
    control->select(41, 41);
    const QPoint at41 = control->caretRect().center();
    control->select(0, 0);
    QTest::mouseClick(control->viewport(), Qt::LeftButton, Qt::NoModifier, at41);
    EXPECT_EQ(control->caretPosition(), 41);
    expectOneSelection();
    EXPECT_EQ(controller().pane().caretText(), "Offset: 0x00000029 (41)");
    QTest::mouseClick(control->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      control->caretRect().center() - QPoint(0, 30));
    EXPECT_LT(control->selectionStart(), 41);
    expectOneSelection();
}

TEST_F(HexPaneInFrameTest, TwoDigitsMakeOneByteAndOneUndoStepAtTheEndAndInBothModes)
{
    ASSERT_NO_FATAL_FAILURE(load(test::bytesOf({0x01, 0x02})));
    clickPane(2, true);  // after the last byte
    typeHex('4');
    EXPECT_EQ(storage(), test::bytesOf({0x01, 0x02, 0x40}));
    typeHex('1');
    EXPECT_EQ(storage(), test::bytesOf({0x01, 0x02, 0x41}));
    EXPECT_EQ(control->caretPosition(), 3);
    press(Qt::Key_Z, Qt::ControlModifier);  // both digits go at once
    EXPECT_EQ(storage(), test::bytesOf({0x01, 0x02}));
    press(Qt::Key_Z, Qt::ControlModifier);  // and come back at once
    EXPECT_EQ(storage(), test::bytesOf({0x01, 0x02, 0x41}));

    press(Qt::Key_Insert);  // OVR: the first digit takes the high nibble, the low one stays
    clickPane(0, true);
    typeHex('f');
    EXPECT_EQ(storage(), test::bytesOf({0xF1, 0x02, 0x41}));
    press(Qt::Key_Z, Qt::ControlModifier);  // Undo after one digit gives back the byte as it was
    EXPECT_EQ(storage(), test::bytesOf({0x01, 0x02, 0x41}));
    clickPane(0, true);
    typeHex('a');  // the undo ended the byte: this is a first digit again
    EXPECT_EQ(storage(), test::bytesOf({0xA1, 0x02, 0x41}));
    typeHex('B');
    EXPECT_EQ(storage(), test::bytesOf({0xAB, 0x02, 0x41}));
    EXPECT_EQ(control->caretPosition(), 1);  // the caret moved on to the next byte
    typeHex('c');
    typeHex('d');
    EXPECT_EQ(storage(), test::bytesOf({0xAB, 0xCD, 0x41}));
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(storage(), test::bytesOf({0xAB, 0x02, 0x41}));
    clickPane(3, true);  // OVR at the end appends
    typeHex('7');
    typeHex('e');
    EXPECT_EQ(storage(), test::bytesOf({0xAB, 0x02, 0x41, 0x7E}));
    EXPECT_EQ(controlText(), test::displayOf(storage()));
    // A move between the digits ends the byte: the next digit starts another.
    clickPane(1, true);
    typeHex('5');
    press(Qt::Key_Left);
    typeHex('6');
    EXPECT_EQ(storage(), test::bytesOf({0xAB, 0x62, 0x41, 0x7E}));
}

TEST_F(HexPaneInFrameTest, TheCharactersFollowAPaneScrolledFarIntoALongLineAStepAtATime)
{
    // Six megabytes without a line break: one long wrapped line in the characters, whose rows are
    // laid out as they are needed.
    std::string bytes(std::size_t{6} << 20, 'a');
    for (std::size_t i = 0; i < bytes.size(); i += 37)
        bytes[i] = ' ';
    bytes[1] = '\0';
    ASSERT_NO_FATAL_FAILURE(load(bytes));
    const auto size = static_cast<std::int64_t>(bytes.size());
    ASSERT_FALSE(control->isLaidOutTo(size - 100));  // so the pane cannot simply take it along
    QScrollBar* bar = rows().verticalScrollBar();
    bar->setValue(bar->maximum());
    const std::int64_t paneTop = rows().topOffset();
    EXPECT_GT(paneTop, size - std::int64_t{16} * (rows().visibleRows() + 1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return control->topRowStart() > size - std::int64_t{64} * 1024; }, 10000));
    EXPECT_LE(control->topRowStart(), paneTop);
    EXPECT_EQ(rows().topOffset(), paneTop);  // the pane stays where the user put it
}

}  // namespace
}  // namespace quillory
