// View > Hex Pane on a real view offscreen: when it shows, what it shows of a TEXT document (read
// only), the values at the caret, and what assistive technology reads of it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QTest>

#include "commands/CommandIds.h"
#include "controllers/HexPaneController.h"
#include "editcontrol/HexPane.h"
#include "view/ViewHarness.h"

namespace quillory::test {
namespace {

using namespace cmd;

class HexPaneTest : public ::testing::Test {
protected:
    HexPaneController& controller() const { return *h.features.hexPane; }
    HexRows& rows() const { return controller().pane().rows(); }
    bool checked() { return h.router.state(ID_VIEW_HEX_PANE).checked.value_or(false); }
    ViewHarness h;
};

TEST_F(HexPaneTest, ShownForBinaryByDefaultAndEachModeKeepsTheUsersChoiceForTheSession)
{
    EXPECT_FALSE(controller().isShown());  // an empty TEXT document
    h.load("a.bin", bytesOf({'M', 'Z', 0x90, 0}));
    EXPECT_TRUE(controller().isShown());
    EXPECT_TRUE(checked());
    h.command(ID_VIEW_HEX_PANE);
    EXPECT_FALSE(controller().isShown());
    EXPECT_FALSE(checked());
    h.load("b.bin", bytesOf({1, 2, 3}));
    EXPECT_FALSE(controller().isShown());  // turned off for BINARY documents until turned on again
    h.load("c.txt", "text");
    EXPECT_FALSE(controller().isShown());
    h.command(ID_VIEW_HEX_PANE);
    EXPECT_TRUE(controller().isShown());
    h.load("d.bin", bytesOf({0}));
    EXPECT_FALSE(controller().isShown());
    h.load("e.txt", "more text");
    EXPECT_TRUE(controller().isShown());
}

TEST_F(HexPaneTest, ATextDocumentShowsTheBytesSaveWritesAndRefusesEdits)
{
    h.load("t.txt", "H\xC3\xA9llo\r\nworld");  // UTF-8, a CR LF break
    h.command(ID_VIEW_HEX_PANE);
    ASSERT_TRUE(controller().isShown());
    const QString firstRow = rows().visibleText().section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(firstRow.startsWith(QStringLiteral("00000000  48 C3 A9 6C 6C 6F 0D 0A  77 6F 72 6C 64 ")));
    EXPECT_TRUE(firstRow.endsWith(QStringLiteral("  H..llo..world"))) << firstRow.toStdString();
    QTest::mouseClick(rows().viewport(), Qt::LeftButton, Qt::NoModifier, rows().pointOf(3, true));
    EXPECT_EQ(h.control().selection(), (CharRange{3, 3}));
    const std::string text = h.text();
    QTest::keyClicks(&rows(), "4f");
    QTest::keyClick(&rows(), Qt::Key_Backspace);
    QTest::keyClick(&rows(), Qt::Key_Delete);
    EXPECT_EQ(h.text(), text);
    EXPECT_EQ(h.beeps, 4);
    EXPECT_FALSE(h.control().isModified());
    // Edits made in the characters show in the pane at once.
    h.select(0, 1);
    h.type("J");
    EXPECT_TRUE(rows().visibleText().startsWith(QStringLiteral("00000000  4A C3 A9")));
}

TEST_F(HexPaneTest, TheValuesAtTheCaretAndWhatAssistiveTechnologyReads)
{
    h.load("v.bin", bytesOf({0x00, 0xFE, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F}));
    h.select(1, 1);
    EXPECT_EQ(controller().pane().caretText(), "Offset: 0x00000001 (1)");
    const QString values = controller().pane().valuesText();
    EXPECT_TRUE(values.contains(QStringLiteral("16-bit  LE u 65534 s -2  BE u 65279 s -257"))) << values.toStdString();
    EXPECT_TRUE(values.contains(QStringLiteral("double  LE 1.0000000000145515"))) << values.toStdString();
    h.select(8, 8);  // one byte left
    EXPECT_TRUE(controller().pane().valuesText().startsWith(QStringLiteral("8-bit   u 63 s 63\nUTF-8   U+003F ?")));

    QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(&rows());
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->text(QAccessible::Name), "Hex pane");
    EXPECT_TRUE(pane->text(QAccessible::Value).startsWith(QStringLiteral("00000000  00 FE FF 00 00 00 00 F0  3F")));
    EXPECT_TRUE(pane->state().focusable);
    // Assistive technology gives it the keyboard as a click does.
    QApplication::setActiveWindow(h.view.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(h.view.get()));
    h.control().setFocus();
    ASSERT_NE(pane->actionInterface(), nullptr);
    pane->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_TRUE(rows().hasFocus());
}

}  // namespace
}  // namespace quillory::test
