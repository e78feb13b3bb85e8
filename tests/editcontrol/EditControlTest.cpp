// The edit control through real key and mouse events, offscreen.
#include <gtest/gtest.h>

#include <QImage>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "editcontrol/EditControl.h"
#include "editcontrol/GlyphTable.h"
#include "editcontrol/PrintLayout.h"
#include "support/FakeClipboard.h"

namespace quillory {
namespace {

class EditControlTest : public ::testing::Test {
protected:
    EditControlTest()
    {
        control.setClipboard(&clipboard);
        control.resize(400, 300);
        control.show();
        control.setFocus();
        QApplication::setActiveWindow(&control);
    }
    std::string text() const { return control.textRange(0, control.textLength()); }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(&control, static_cast<Qt::Key>(k), mods);
    }
    // The viewport point in the middle of the character cell at column, row.
    QPoint cell(int column, int row) const
    {
        const int w = control.glyphs().advances().advance['x'] / 64;
        return {2 + column * w + w / 2, row * control.glyphs().lineHeight() + 2};
    }

    test::FakeClipboard clipboard;
    EditControl control;
};

TEST_F(EditControlTest, TypingInsertsAndInsertKeyTogglesOverwrite)
{
    QSignalSpy overwrite(&control, &EditControl::overwriteModeChanged);
    QTest::keyClicks(&control, "hello");
    EXPECT_EQ(text(), "hello");
    key(Qt::Key_Home);
    key(Qt::Key_Insert);
    EXPECT_TRUE(control.overwriteMode());
    QTest::keyClicks(&control, "HE");
    EXPECT_EQ(text(), "HEllo");
    key(Qt::Key_Insert);
    QTest::keyClicks(&control, "-");
    EXPECT_EQ(text(), "HE-llo");
    EXPECT_EQ(overwrite.count(), 2);
}

TEST_F(EditControlTest, EnterInsertsTheTextsOwnLineBreak)
{
    for (auto [initial, expected] :
         {std::pair{"a\r\nb", "a\r\nb\r\n"}, std::pair{"a\rb", "a\rb\r"}, std::pair{"ab", "ab\n"}}) {
        control.setText(initial);
        key(Qt::Key_End, Qt::ControlModifier);
        key(Qt::Key_Return);
        EXPECT_EQ(text(), expected);
    }
    control.setText("x\r\ny");
    key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(text(), "\r\nx\r\ny");
}

TEST_F(EditControlTest, CaretStepsOverCrLfAndBackspaceRemovesThePair)
{
    control.setText("ab\r\ncd");
    control.select(2, 2);
    key(Qt::Key_Right);
    EXPECT_EQ(control.caretPosition(), 4);
    key(Qt::Key_Left);
    EXPECT_EQ(control.caretPosition(), 2);
    key(Qt::Key_Right);
    key(Qt::Key_Backspace);
    EXPECT_EQ(text(), "abcd");
    control.setText("ab\r\ncd");
    control.select(2, 2);
    key(Qt::Key_Delete);
    EXPECT_EQ(text(), "abcd");
}

TEST_F(EditControlTest, BackspacesAcrossCrLfUndoAsOneStep)
{
    for (const std::int64_t caret : {6, 4}) {
        control.setText("ab\r\ncd");
        control.select(caret, caret);
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Backspace);
        EXPECT_EQ(text(), caret == 6 ? "ab" : "cd") << "caret " << caret;
        control.undo();
        EXPECT_EQ(text(), "ab\r\ncd") << "caret " << caret;
        EXPECT_EQ(control.caretPosition(), caret) << "caret " << caret;
    }
}

TEST_F(EditControlTest, SelectionByKeysAndCtrlWordMoves)
{
    control.setText("one two, three\nfour");
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(control.caretPosition(), 4);
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(control.caretPosition(), 7);
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(control.caretPosition(), 9);
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(control.caretPosition(), 7);
    key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(control.selectedText(), ", ");  // a word move takes the blanks after it
    key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(control.selectedText(), ", three");
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(control.selectedText(), ", three\nfour");
    key(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(control.selectionStart(), 0);
    EXPECT_EQ(control.selectionEnd(), 7);
    key(Qt::Key_Left);
    EXPECT_EQ(control.selectedText(), "");
    EXPECT_EQ(control.caretPosition(), 0);
}

TEST_F(EditControlTest, UndoRevertsTheTypingRunAndASecondUndoRedoesIt)
{
    QSignalSpy undoAvailable(&control, &EditControl::undoAvailableChanged);
    control.setText("x");
    key(Qt::Key_End);
    QTest::keyClicks(&control, "abc");
    key(Qt::Key_Left);
    QTest::keyClicks(&control, "d");
    EXPECT_EQ(text(), "xabdc");
    control.undo();
    EXPECT_EQ(text(), "xabc");
    control.undo();
    EXPECT_EQ(text(), "xabdc");
    EXPECT_TRUE(control.canUndo());
    control.emptyUndoBuffer();
    EXPECT_FALSE(control.canUndo());
    EXPECT_GE(undoAvailable.count(), 2);
}

TEST_F(EditControlTest, ClipboardRoundTripOfAll256ByteValues)
{
    std::string all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[static_cast<std::size_t>(b)] = static_cast<char>(b);
    control.replaceSelection(all, true);
    ASSERT_EQ(text(), all);
    control.select(0, -1);
    control.copy();
    EXPECT_EQ(clipboard.content.size(), 256u);
    EXPECT_EQ(clipboard.content[0x80], u'\u20AC');  // Windows-1252 euro sign
    control.cut();
    EXPECT_EQ(control.textLength(), 0);
    ASSERT_TRUE(control.canPaste());
    control.paste();
    EXPECT_EQ(text(), all);
    clipboard.content = u"a\u4E2Db\U0001F600";
    control.select(0, -1);
    control.paste();
    EXPECT_EQ(text(), "a?b?");
}

TEST_F(EditControlTest, PasteDoesNothingWhenTheClipboardHasNoText)
{
    control.setText("keep");
    EXPECT_FALSE(control.canPaste());
    control.paste();
    EXPECT_EQ(text(), "keep");
}

TEST_F(EditControlTest, HooksSeeKeysAndCharactersFirstAndMayConsumeThem)
{
    std::vector<int> keys;
    std::vector<int> chars;
    control.keyDownHook = [&](const KeyDown& k) {
        keys.push_back(k.key);
        return k.key == Qt::Key_Delete;  // the view handles Delete itself
    };
    control.charHook = [&](char32_t c) {
        chars.push_back(static_cast<int>(c));
        return c == 'z';
    };
    control.setText("abc");
    key(Qt::Key_Delete);
    EXPECT_EQ(text(), "abc");
    QTest::keyClicks(&control, "zy");
    EXPECT_EQ(text(), "yabc");
    key(Qt::Key_Backspace);
    key(Qt::Key_Tab);
    key(Qt::Key_Return);
    key(Qt::Key_Return, Qt::ControlModifier);
    key(Qt::Key_2, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);  // an accelerator: no character, not handled here
    QKeyEvent eacute(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0xE9)));
    QApplication::sendEvent(&control, &eacute);
    QKeyEvent euro(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(0x20AC)));
    QApplication::sendEvent(&control, &euro);
    EXPECT_EQ(chars, (std::vector<int>{'z', 'y', 8, 9, 13, 10, 0, 0xE9, 0x20AC}));
    EXPECT_EQ(keys.front(), Qt::Key_Delete);
    EXPECT_EQ(text(), "\t\n\n\xE9\x80"
                      "abc");  // a zero byte types nothing
}

TEST_F(EditControlTest, AcceleratorKeysAreLeftToTheShortcuts)
{
    control.setText("abc");
    control.select(0, -1);
    for (auto [k, mods] : {std::pair{Qt::Key_A, Qt::ControlModifier}, std::pair{Qt::Key_V, Qt::ControlModifier},
                           std::pair{Qt::Key_Insert, Qt::ShiftModifier}, std::pair{Qt::Key_Delete, Qt::ShiftModifier},
                           std::pair{Qt::Key_F5, Qt::NoModifier}}) {
        QKeyEvent press(QEvent::KeyPress, k, mods);
        press.setAccepted(true);
        QApplication::sendEvent(&control, &press);
        EXPECT_FALSE(press.isAccepted()) << k;
    }
    EXPECT_EQ(text(), "abc");
}

TEST_F(EditControlTest, MouseClickDragShiftClickDoubleClick)
{
    control.setText("alpha beta gamma\nsecond line");
    QWidget* view = control.viewport();
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, cell(6, 0) - QPoint(3, 0));
    EXPECT_EQ(control.caretPosition(), 6);
    QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, cell(3, 1) - QPoint(3, 0));
    EXPECT_EQ(control.selectedText(), "beta gamma\nsec");
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, cell(0, 0) - QPoint(3, 0));
    QTest::mouseMove(view, cell(5, 0) - QPoint(3, 0));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, cell(5, 0) - QPoint(3, 0));
    EXPECT_EQ(control.selectedText(), "alpha");
    QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, cell(8, 0));
    EXPECT_EQ(control.selectedText(), "beta ");
    QTest::mouseClick(view, Qt::MiddleButton, Qt::NoModifier, cell(2, 1));
    EXPECT_EQ(control.textLength(), 28);
}

TEST_F(EditControlTest, DragBelowTheViewScrollsAndExtends)
{
    std::string lines;
    for (int i = 0; i < 200; ++i)
        lines += "line\n";
    control.setText(lines);
    QWidget* view = control.viewport();
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, cell(0, 0));
    QMouseEvent move(QEvent::MouseMove, QPointF(10, view->height() + 20),
                     view->mapToGlobal(QPointF(10, view->height() + 20)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QTest::qWait(300);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, cell(0, 0));
    EXPECT_GT(control.topRowStart(), 0);
    EXPECT_GT(control.selectionEnd(), control.visibleRows() * 5);
}

TEST_F(EditControlTest, WrapAndPageDownAndWheel)
{
    control.setText(std::string(5000, 'w') + " end");
    const int firstY = control.caretRect().y();
    key(Qt::Key_Down);
    EXPECT_GT(control.caretRect().y(), firstY);  // the one line wraps into rows
    EXPECT_GT(control.caretPosition(), 0);
    const std::int64_t before = control.caretPosition();
    key(Qt::Key_PageDown);
    EXPECT_GT(control.caretPosition(), before + std::int64_t{5} * (control.visibleRows() - 2));
    EXPECT_GT(control.topRowStart(), 0);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(control.caretPosition(), 5004);
    EXPECT_FALSE(control.caretRect().isNull());
    control.setWordWrap(false);
    key(Qt::Key_Home, Qt::ControlModifier);
    key(Qt::Key_Down);
    EXPECT_EQ(control.caretPosition(), 5004);  // one row now: Down goes to the end
    control.setWordWrap(true);
    key(Qt::Key_Home, Qt::ControlModifier);
    QWheelEvent wheel(QPointF(10, 10), control.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(control.viewport(), &wheel);
    EXPECT_GT(control.topRowStart(), 0);
}

TEST_F(EditControlTest, NotifiesTextSelectionAndModifiedChanges)
{
    QSignalSpy changed(&control, &EditControl::textChanged);
    QSignalSpy modified(&control, &EditControl::modifiedChanged);
    QSignalSpy selection(&control, &EditControl::selectionChanged);
    control.setText("abcdef");
    changed.clear();
    control.select(1, 3);
    EXPECT_GE(selection.count(), 1);
    control.replaceSelection("XYZ", true);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toLongLong(), 1);
    EXPECT_EQ(changed[0][1].toLongLong(), 2);
    EXPECT_EQ(changed[0][2].toLongLong(), 3);
    EXPECT_TRUE(control.isModified());
    control.setModified(false);
    EXPECT_EQ(modified.count(), 2);
    control.clear();
    EXPECT_EQ(text(), "aXYZdef");  // nothing selected: nothing cleared
}

TEST_F(EditControlTest, CharFormatAppliesOnlyTheMaskedFields)
{
    CharFormat format = control.defaultCharFormat();
    EXPECT_EQ(format.faceName(), "Courier New");
    CharFormat colour;
    colour.mask = kMaskColor;
    colour.textColor = 0x0000FF;
    control.setDefaultCharFormat(colour);
    const CharFormat after = control.defaultCharFormat();
    EXPECT_EQ(after.faceName(), "Courier New");
    EXPECT_EQ(after.height, format.height);
    EXPECT_EQ(after.textColor, 0x0000FFu);
    EXPECT_EQ(after.effects & kEffectAutoColor, 0u);
    CharFormat big;
    big.mask = kMaskSize | kMaskBold;
    big.height = 400;
    big.effects = kEffectBold;
    control.setDefaultCharFormat(big);
    EXPECT_EQ(control.defaultCharFormat().height, 400);
    EXPECT_TRUE(control.defaultCharFormat().effects & kEffectBold);
    EXPECT_TRUE(control.glyphs().font().bold());
}

TEST_F(EditControlTest, EditsATenMegabyteBinaryDisplayCopy)
{
    std::string bytes(10 << 20, '\x01');
    for (std::size_t i = 0; i < bytes.size(); i += 97)
        bytes[i] = static_cast<char>(0x80 + i % 100);
    control.setText(bytes);
    key(Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&control, "ok");
    key(Qt::Key_PageUp);
    key(Qt::Key_Backspace);
    EXPECT_EQ(control.textLength(), (10 << 20) + 1);
    EXPECT_EQ(control.textRange(control.textLength() - 2, control.textLength()), "ok");
    control.viewport()->repaint();
}

TEST_F(EditControlTest, ScrollBarDragShowsTheEndAndClickGivesFocus)
{
    std::string lines;
    for (int i = 0; i < 1000; ++i)
        lines += "row " + std::to_string(i) + "\r\n";
    control.setText(lines);
    QScrollBar* bar = control.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    // The last rows fill the view: the top is a page above the end, not the end itself.
    EXPECT_GT(control.topRowStart(),
              static_cast<std::int64_t>(lines.size()) - std::int64_t{10} * control.visibleRows());
    EXPECT_LT(control.topRowStart(),
              static_cast<std::int64_t>(lines.size()) - std::int64_t{6} * (control.visibleRows() - 1));
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    const std::int64_t top = control.topRowStart();
    EXPECT_EQ(control.textRange(top - 2, top), "\r\n");
    QWidget other;
    other.show();
    other.setFocus();
    QTest::mouseClick(control.viewport(), Qt::LeftButton, Qt::NoModifier, cell(1, 0));
    EXPECT_TRUE(control.hasFocus());
}

TEST_F(EditControlTest, InputMethodTextTypesOneCharacterAtATime)
{
    std::vector<int> chars;
    control.charHook = [&](char32_t c) {
        chars.push_back(static_cast<int>(c));
        return false;
    };
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD"));  // e acute, euro, a CJK character
    QApplication::sendEvent(&control, &commit);
    EXPECT_EQ(chars, (std::vector<int>{0xE9, 0x20AC, 0x4E2D}));
    EXPECT_EQ(text(), "\xE9\x80?");
    QInputMethodEvent composing(QString::fromUtf8("\xC2\xB4"), {});  // a dead key's accent, not yet a character
    QApplication::sendEvent(&control, &composing);
    control.viewport()->repaint();
    EXPECT_EQ(text(), "\xE9\x80?");
}

TEST(PrintLayout, PaginatesAndDrawsEveryPage)
{
    TextBuffer text;
    std::string lines;
    for (int i = 0; i < 300; ++i)
        lines += "printed line " + std::to_string(i) + "\r\n";
    text.setText(lines);
    QImage page(850, 1100, QImage::Format_RGB32);
    page.setDotsPerMeterX(3937);  // 100 dpi
    page.setDotsPerMeterY(3937);
    page.fill(Qt::white);
    PrintLayout layout(text, QFont("Courier New", 10), &page, QRectF(0, 0, 850, 1100), MarginsTwips{});
    const int pages = layout.paginate();
    EXPECT_GT(pages, 2);
    EXPECT_EQ(layout.pageStart(0), 0);
    EXPECT_EQ(layout.pageEnd(pages - 1), text.size());
    EXPECT_NEAR(layout.textRect().left(), 50, 1);  // 720 twips at 100 dpi
    QPainter painter(&page);
    layout.drawPage(painter, 1);
    painter.end();
    int dark = 0;
    for (int y = 0; y < 1100; y += 2)
        for (int x = 0; x < 850; x += 2)
            dark += qGray(page.pixel(x, y)) < 128;
    EXPECT_GT(dark, 100);
}

}  // namespace
}  // namespace quillory

namespace quillory {
namespace {

TEST_F(EditControlTest, WorkOnAHiddenSelectionLeavesTheViewWhereItWas)
{
    std::string lines;
    for (int i = 0; i < 500; ++i)
        lines += "line " + std::to_string(i) + "\n";
    control.setText(lines);
    control.select(3000, 3000);
    const std::int64_t top = control.topRowStart();
    control.hideSelection(true);
    control.select(0, -1);
    std::string copy(static_cast<std::size_t>(control.textLength()), '\0');
    EXPECT_EQ(control.textRange(0, control.textLength(), copy.data()), control.textLength());
    control.select(3000, 3000);
    control.hideSelection(false);
    EXPECT_EQ(control.topRowStart(), top);
    EXPECT_EQ(copy, lines);
}

}  // namespace
}  // namespace quillory

namespace quillory {
namespace {

TEST_F(EditControlTest, AutoWordSelectionExtendsDragsByWholeWordsOnlyWhenOn)
{
    control.setText("alpha beta gamma");
    QWidget* view = control.viewport();
    auto drag = [&](int fromColumn, int toColumn) {
        const QPoint before(3, 0);  // the left half of a cell hits the boundary before it
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, cell(fromColumn, 0) - before);
        QTest::mouseMove(view, cell(toColumn, 0) - before);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, cell(toColumn, 0) - before);
        return control.selectedText();
    };
    EXPECT_EQ(drag(1, 8), "lpha be");
    control.setAutoWordSelection(true);
    EXPECT_EQ(drag(1, 8), "alpha beta ");
    EXPECT_EQ(drag(1, 3), "lp");  // inside the first word: by characters
}

}  // namespace
}  // namespace quillory
