// The edit control on UTF-8 text through real key and mouse events, offscreen: the caret and the
// selection never inside a character, bytes outside UTF-8 kept and shown, wide characters in two
// cells, the clipboard in Unicode.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <random>
#include <set>

#include "editcontrol/EditControl.h"
#include "editcontrol/GlyphTable.h"
#include "editcore/Utf8.h"
#include "support/FakeClipboard.h"

namespace quillory {
namespace {

// Character starts by decoding forward from the start: the plain definition.
std::set<std::int64_t> boundariesOf(const std::string& s)
{
    std::set<std::int64_t> starts;
    const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
    for (std::size_t i = 0; i < s.size();) {
        starts.insert(static_cast<std::int64_t>(i));
        i += static_cast<std::size_t>(utf8::decode(p + i, s.size() - i).length);
    }
    starts.insert(static_cast<std::int64_t>(s.size()));
    return starts;
}

// What the random test presses and types.
constexpr Qt::Key kMoves[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,     Qt::Key_Down,
                              Qt::Key_Home, Qt::Key_End,   Qt::Key_PageUp, Qt::Key_PageDown};
constexpr char32_t kTyped[] = {'a', 0xE9, 0x20AC, 0x4E2D, 0x1F600, ' '};

class EditControlUtf8Test : public ::testing::Test {
protected:
    EditControlUtf8Test()
    {
        control.setClipboard(&clipboard);
        control.resize(300, 200);
        control.show();
        control.setFocus();
        QApplication::setActiveWindow(&control);
        control.setEncoding(TextEncoding::Utf8);
        CharFormat format;
        format.mask = kMaskFace | kMaskSize;
        format.height = 200;
        format.setFaceName("Liberation Mono");
        control.setDefaultCharFormat(format);
    }
    std::string text() const { return control.textRange(0, control.textLength()); }
    void typeCharacter(char32_t c)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUcs4(&c, 1));
        QApplication::sendEvent(&control, &press);
    }
    int cell() const { return control.glyphs().advances().advance['x'] / 64; }

    // One random action of kind `what` (0 to 11) with the modifiers mods, on the text before;
    // returns the text the action must leave where that is known.
    std::optional<std::string> randomAction(std::mt19937& random, int what, Qt::KeyboardModifiers mods,
                                            const std::string& before)
    {
        switch (what) {
        case 0:
        case 1: return typeRandomCharacter(random, before);
        case 2: QTest::keyClick(&control, Qt::Key_Backspace); break;
        case 3: QTest::keyClick(&control, Qt::Key_Delete); break;
        case 4: QTest::keyClick(&control, Qt::Key_Return); break;
        case 5:
            if (random() % 8 == 0)
                QTest::keyClick(&control, Qt::Key_Insert);
            else
                control.undo();
            break;
        case 6: clickRandomly(random, mods); break;
        case 7:
            if (random() % 10 == 0)
                control.setWordWrap(!control.wordWrap());
            else
                control.select(static_cast<std::int64_t>(random() % (before.size() + 1)),
                               static_cast<std::int64_t>(random() % (before.size() + 1)));
            break;
        default: QTest::keyClick(&control, kMoves[random() % std::size(kMoves)], mods); break;
        }
        return std::nullopt;
    }
    // Types one of kTyped, inserted or over the character at the caret; returns the text that must
    // result.
    std::string typeRandomCharacter(std::mt19937& random, const std::string& before)
    {
        const std::int64_t selStart = control.selectionStart();
        const std::int64_t selEnd = control.selectionEnd();
        const char32_t c = kTyped[random() % std::size(kTyped)];
        std::string after = before;
        const std::string bytes = utf8::encode(c);
        const bool overwriting =
            control.overwriteMode() && selStart == selEnd && selStart < static_cast<std::int64_t>(before.size()) &&
            before[static_cast<std::size_t>(selStart)] != '\r' && before[static_cast<std::size_t>(selStart)] != '\n';
        const std::int64_t end = overwriting ? *boundariesOf(before).upper_bound(selStart) : selEnd;
        after.replace(static_cast<std::size_t>(selStart), static_cast<std::size_t>(end - selStart), bytes);
        typeCharacter(c);
        return after;
    }
    // A click or a double click anywhere in the control.
    void clickRandomly(std::mt19937& random, Qt::KeyboardModifiers mods)
    {
        const QPoint at(static_cast<int>(random() % 300), static_cast<int>(random() % 200));
        if (random() % 3 == 0)
            QTest::mouseDClick(control.viewport(), Qt::LeftButton, {}, at);
        else
            QTest::mouseClick(control.viewport(), Qt::LeftButton, mods & Qt::ShiftModifier, at);
    }

    test::FakeClipboard clipboard;
    EditControl control;
};

TEST_F(EditControlUtf8Test, CaretAndSelectionNeverFallInsideACharacterUnderRandomKeysAndClicks)
{
    std::string start;
    for (int i = 0; i < 30; ++i)
        start += "Gr\xC3\xBC\xC3\x9F"
                 "e \xCE\xA9\xD0\x96 \xE4\xB8\xAD\xE6\x96\x87\xF0\x9F\x98\x80 \xFF\xC3 \x80\xE2\x82 "
                 "\xEF\xBB\xBFz\r\n";
    control.setText(start);
    std::mt19937 random(31);
    for (int step = 0; step < 2500; ++step) {
        const std::string before = text();
        const Qt::KeyboardModifiers mods = (random() % 3 == 0 ? Qt::ShiftModifier : Qt::NoModifier) |
                                           (random() % 4 == 0 ? Qt::ControlModifier : Qt::NoModifier);
        const int what = static_cast<int>(random() % 12);
        const std::optional<std::string> expected = randomAction(random, what, mods, before);
        const std::string after = text();
        const std::set<std::int64_t> starts = boundariesOf(after);
        ASSERT_TRUE(starts.count(control.selectionStart()) && starts.count(control.selectionEnd()))
            << "step " << step << " action " << what << ": selection " << control.selectionStart() << "-"
            << control.selectionEnd();
        if (expected) {
            ASSERT_EQ(after, *expected) << "step " << step;
        }
    }
}

TEST_F(EditControlUtf8Test, WideCharactersTakeTwoCellsAndInvalidBytesAVisibleCellEach)
{
    control.setWordWrap(false);
    control.setText("\xEF\xBB\xBF"
                    "a\xE4\xB8\xAD"
                    "b\xFF"
                    "c");
    const std::int64_t w = std::int64_t{cell()} * 64;
    WrapLayout& layout = control.layout();
    EXPECT_EQ(layout.xOf(0, 3), 0);                                // the byte-order mark takes no room
    EXPECT_EQ(layout.xOf(0, 4), w);                                // a
    EXPECT_EQ(layout.xOf(0, 7), 3 * w);                            // the CJK character: two cells
    EXPECT_EQ(layout.xOf(0, 9), 5 * w);                            // b, then the invalid byte: one cell
    EXPECT_EQ(control.hitTest(QPoint(2 + 2 * cell() - 2, 2)), 4);  // the left half of the wide character
    EXPECT_EQ(control.hitTest(QPoint(2 + 3 * cell() - 1, 2)), 7);  // past its middle: after it

    // The CJK character and the invalid byte both leave ink in their cells.
    control.select(0, 0);
    const QImage image = control.viewport()->grab().toImage();
    const QColor paper = image.pixelColor(image.width() - 5, image.height() - 5);
    auto inked = [&](int fromCell, int cells) {
        for (int x = 2 + fromCell * cell(); x < 2 + (fromCell + cells) * cell(); ++x)
            for (int y = 0; y < control.glyphs().lineHeight(); ++y)
                if (image.pixelColor(x, y) != paper)
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(1, 2));
    EXPECT_TRUE(inked(4, 1));
    EXPECT_FALSE(inked(7, 3));  // nothing after the text
}

TEST_F(EditControlUtf8Test, ClipboardCarriesUnicodeText)
{
    control.setText("x\xC3\xA9\xE2\x82\xAC\xFFy");
    control.select(1, 7);
    control.copy();
    EXPECT_EQ(clipboard.content, u"\u00E9\u20AC\uFFFD");
    clipboard.content = u"\u4E2D\U0001F600";
    control.select(0, 0);
    control.paste();
    EXPECT_EQ(text(), "\xE4\xB8\xAD\xF0\x9F\x98\x80x\xC3\xA9\xE2\x82\xAC\xFFy");
    EXPECT_EQ(control.caretPosition(), 7);

    // Around the surrogates: a lone one (as another program may put there) becomes U+FFFD, never
    // bytes that are no UTF-8; pairs become their character; U+D7FF and U+E000 stay themselves.
    control.setText("");
    clipboard.content = {0xD7FF, 0xD800, 0xDBFF, 0xDFFF, 0xDC00, 0xDFFF, 0xD800, 0xDC00, 0xE000, 0xDBFF};
    control.paste();
    EXPECT_EQ(text(), "\xED\x9F\xBF"              // U+D7FF
                      "\xEF\xBF\xBD"              // lone U+D800
                      "\xF4\x8F\xBF\xBF"          // U+DBFF U+DFFF: U+10FFFF
                      "\xEF\xBF\xBD\xEF\xBF\xBD"  // lone U+DC00, lone U+DFFF
                      "\xF0\x90\x80\x80"          // U+D800 U+DC00: U+10000
                      "\xEE\x80\x80"              // U+E000
                      "\xEF\xBF\xBD");            // a high surrogate at the very end
}

}  // namespace
}  // namespace quillory
