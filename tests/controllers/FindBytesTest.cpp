// Find of hex bytes in a BINARY document through the real Find dialog: the true bytes are found,
// where the control's display copy shows 0, 9, 10 and 13 alike as 1; a malformed text is told;
// the choice is offered only while the document is BINARY.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "commands/CommandIds.h"
#include "view/ViewHarness.h"

namespace quillory::test {
namespace {

using namespace cmd;

// 0x1B makes the file BINARY. Its display copy is 1B 41 01 01 42 01 01 43 01 01 01 01 01 01 44:
// "01 01" stands there six times, in the true bytes twice, "00 0A" only in the true bytes.
const std::string kBytes =
    bytesOf({0x1B, 'A', 0x00, 0x0A, 'B', 0x01, 0x01, 'C', 0x0A, 0x00, 0x0D, 0x01, 0x01, 0x09, 'D'});
constexpr std::int64_t kLength = 15;

class FindBytes : public ::testing::Test {
protected:
    FindReplaceDialog& openFind()
    {
        h.command(ID_EDIT_FIND);
        FindReplaceDialog* dialog = h.features.find->dialog();
        EXPECT_NE(dialog, nullptr);
        return *dialog;
    }
    static void click(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    // Types text into Find what (replacing what it held) and clicks Find Next.
    static void findNext(FindReplaceDialog& dialog, const QString& text)
    {
        dialog.findEdit()->clear();
        QTest::keyClicks(dialog.findEdit(), text);
        QTest::mouseClick(dialog.findNextButton(), Qt::LeftButton);
    }

    ViewHarness h;
};

TEST_F(FindBytes, FindsTheTrueBytesForwardAndBackwardAndF3RepeatsIt)
{
    h.load("b.bin", kBytes);
    ASSERT_TRUE(h.view->isBinary());
    h.select(0, 0);
    FindReplaceDialog& dialog = openFind();
    QCheckBox* hex = dialog.hexBytesBox();
    ASSERT_TRUE(hex->isVisible());
    ASSERT_TRUE(hex->isEnabled());
    EXPECT_EQ(hex->accessibleName(), "Hex bytes");
    click(hex);
    ASSERT_TRUE(hex->isChecked());

    findNext(dialog, "00 0A");  // only the true bytes hold it
    EXPECT_EQ(h.control().selection(), (CharRange{2, 4}));
    QTest::mouseClick(dialog.findNextButton(), Qt::LeftButton);
    EXPECT_EQ(h.control().selection(), (CharRange{2, 4}));  // no other: a beep, as for text
    EXPECT_EQ(h.beeps, 1);

    h.select(0, 0);
    findNext(dialog, "41 00 0a 42");  // straddles 0x00 and 0x0A
    EXPECT_EQ(h.control().selection(), (CharRange{1, 5}));
    h.select(0, 0);
    findNext(dialog, "0a000D");
    EXPECT_EQ(h.control().selection(), (CharRange{8, 11}));

    h.select(0, 0);
    findNext(dialog, "01 01");  // the display copy holds it first at 2
    EXPECT_EQ(h.control().selection(), (CharRange{5, 7}));
    h.command(ID_EDIT_REPEAT);  // F3
    EXPECT_EQ(h.control().selection(), (CharRange{11, 13}));
    h.command(ID_EDIT_REPEAT);
    EXPECT_EQ(h.control().selection(), (CharRange{11, 13}));
    EXPECT_EQ(h.beeps, 2);

    click(dialog.upButton());
    ASSERT_TRUE(dialog.upButton()->isChecked());
    h.select(kLength, kLength);
    QTest::mouseClick(dialog.findNextButton(), Qt::LeftButton);
    EXPECT_EQ(h.control().selection(), (CharRange{11, 13}));
    h.command(ID_EDIT_REPEAT);
    EXPECT_EQ(h.control().selection(), (CharRange{5, 7}));
    h.select(kLength, kLength);
    findNext(dialog, "0A 00 0D 01");
    EXPECT_EQ(h.control().selection(), (CharRange{8, 12}));
    findNext(dialog, "00 0A");
    EXPECT_EQ(h.control().selection(), (CharRange{2, 4}));
    h.select(3, 3);  // a match ends at or before the caret
    QTest::mouseClick(dialog.findNextButton(), Qt::LeftButton);
    EXPECT_EQ(h.control().selection(), (CharRange{3, 3}));
    EXPECT_EQ(h.beeps, 3);
    EXPECT_TRUE(h.boxes.shown().empty());
    EXPECT_EQ(h.storage(), kBytes);
}

TEST_F(FindBytes, MalformedTextIsToldAndSelectsNothing)
{
    h.load("b.bin", kBytes);
    h.select(5, 7);
    FindReplaceDialog& dialog = openFind();
    dialog.hexBytesBox()->setChecked(true);  // as an assistive tool would
    findNext(dialog, "00 0A 4");
    ASSERT_EQ(h.boxes.shown().size(), 1U);
    EXPECT_EQ(h.boxes.last().caption, "Find");
    EXPECT_EQ(h.boxes.last().icon, MessageIcon::Exclamation);
    EXPECT_EQ(h.boxes.last().text,
              "The text to find is not a row of hex bytes.\nType pairs of hex digits, with blanks between them if you "
              "like: 4D 5A 90 00 or 7f454c46.\nReason: The hex digit pair at column 7 has only one digit");
    EXPECT_EQ(h.control().selection(), (CharRange{5, 7}));
    findNext(dialog, "0x0A");
    ASSERT_EQ(h.boxes.shown().size(), 2U);
    EXPECT_TRUE(h.boxes.last().text.ends_with("\nReason: The character \"x\" at column 2 is not a hex digit"));
    EXPECT_EQ(h.control().selection(), (CharRange{5, 7}));
    EXPECT_EQ(h.beeps, 0);
}

TEST_F(FindBytes, OfferedOnlyWhileTheDocumentIsBinary)
{
    h.load("t.txt", "AB 41 42");
    h.select(0, 0);
    FindReplaceDialog& dialog = openFind();
    EXPECT_FALSE(dialog.hexBytesBox()->isVisible());
    EXPECT_FALSE(dialog.hexBytesBox()->isEnabled());
    findNext(dialog, "41 42");  // text is text
    EXPECT_EQ(h.control().selection(), (CharRange{3, 8}));

    // A BINARY file opened behind the open dialog: F3 brings the choice.
    h.load("b.bin", kBytes);
    h.command(ID_EDIT_REPEAT);
    ASSERT_TRUE(dialog.hexBytesBox()->isVisible());
    EXPECT_TRUE(dialog.hexBytesBox()->isEnabled());
    dialog.hexBytesBox()->setFocus();
    QTest::keyClick(dialog.hexBytesBox(), Qt::Key_Space);
    ASSERT_TRUE(dialog.hexBytesBox()->isChecked());
    EXPECT_FALSE(dialog.matchCaseBox()->isEnabled());  // bytes have no case
    h.select(0, 0);
    findNext(dialog, "42 01");
    EXPECT_EQ(h.control().selection(), (CharRange{4, 6}));

    // Selected bytes are offered as hex pairs.
    h.select(8, 11);
    openFind();
    EXPECT_EQ(dialog.findEdit()->text(), "0A 00 0D");

    // Back to TEXT: the box goes, the search reads its text as text again.
    h.load("t.txt", "AB 41 42");
    h.select(0, 0);
    findNext(dialog, "41 42");
    EXPECT_FALSE(dialog.hexBytesBox()->isVisible());
    EXPECT_FALSE(dialog.hexBytesBox()->isEnabled());
    EXPECT_TRUE(dialog.matchCaseBox()->isEnabled());
    EXPECT_EQ(h.control().selection(), (CharRange{3, 8}));
    EXPECT_TRUE(h.boxes.shown().empty());
}

}  // namespace
}  // namespace quillory::test
