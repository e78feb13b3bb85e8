// The Tools commands through the view: statistics, the goto dialog with its real edits and check
// boxes, stripping HTML and inserting a file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "commands/CommandIds.h"
#include "dialogs/GotoDialog.h"
#include "view/ViewHarness.h"

namespace quillory::test {
namespace {

using namespace cmd;

class EditingToolsTest : public ::testing::Test {
protected:
    GotoDialog& openGoto()
    {
        h.command(ID_GOTO);
        GotoDialog* dialog = h.features.editingTools->gotoDialog();
        EXPECT_TRUE(dialog->isVisible());
        return *dialog;
    }
    void typeInto(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        QTest::keyClicks(edit, text);
    }
    // Go posts its notification; the view handles it on its next turn.
    void go(GotoDialog& dialog)
    {
        QTest::mouseClick(dialog.goButton(), Qt::LeftButton);
        QCoreApplication::sendPostedEvents();
    }
    CharRange selection() const { return h.control().selection(); }

    ViewHarness h;
};

TEST_F(EditingToolsTest, StatisticsLeaveSelectionAndModifiedFlagAlone)
{
    h.load("t.txt", "one two\tthree\r\nfour");
    h.select(2, 5);
    h.key(Qt::Key_F9);  // the menu's key; the control lets it through
    h.command(ID_FILE_STAT);
    ASSERT_EQ(h.boxes.shown().size(), 1u);
    EXPECT_EQ(h.boxes.last().caption, "Results:");
    EXPECT_NE(h.boxes.last().text.find('4'), std::string::npos);
    EXPECT_EQ(selection(), (CharRange{2, 5}));
    EXPECT_FALSE(h.control().isModified());
}

TEST_F(EditingToolsTest, GotoOffsetChecksAndJumps)
{
    h.load("t.txt", std::string(50, 'x'));
    GotoDialog& dialog = openGoto();
    EXPECT_TRUE(dialog.byOffsetBox()->isChecked());
    EXPECT_FALSE(dialog.byPercentBox()->isChecked());

    typeInto(dialog.offsetEdit(), "1a");
    EXPECT_EQ(dialog.offsetEdit()->text(), "1");
    EXPECT_EQ(h.beeps, 1);
    EXPECT_EQ(h.boxes.last().caption, "Info...");
    EXPECT_EQ(h.boxes.last().icon, MessageIcon::Information);

    dialog.offsetEdit()->clear();
    typeInto(dialog.offsetEdit(), "0");
    dialog.fields().offsetText = "0";
    go(dialog);
    EXPECT_EQ(selection(), (CharRange{0, 1}));

    typeInto(dialog.offsetEdit(), "0");  // "00"
    dialog.offsetEdit()->selectAll();
    typeInto(dialog.offsetEdit(), "50");
    go(dialog);
    EXPECT_EQ(h.boxes.last().text, "Out of bound!");
    EXPECT_EQ(h.boxes.last().caption, "Error:");
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(EditingToolsTest, GotoPercentRecoversByEmptyingAndJumpsProportionally)
{
    h.load("t.txt", std::string(50, 'x'));
    GotoDialog& dialog = openGoto();
    QTest::mouseClick(dialog.byOffsetBox(), Qt::LeftButton);  // unchecking one checks the other
    EXPECT_FALSE(dialog.byOffsetBox()->isChecked());
    EXPECT_TRUE(dialog.byPercentBox()->isChecked());

    typeInto(dialog.percentEdit(), "101");
    EXPECT_EQ(dialog.percentEdit()->text(), "");
    EXPECT_EQ(h.beeps, 1);

    typeInto(dialog.percentEdit(), "100");
    go(dialog);
    EXPECT_EQ(selection(), (CharRange{49, 50}));

    h.load("t.txt", "1234567");
    dialog.percentEdit()->clear();
    dialog.fields().percentText.clear();
    typeInto(dialog.percentEdit(), "50");
    go(dialog);
    EXPECT_EQ(selection(), (CharRange{3, 4}));
}

TEST_F(EditingToolsTest, GotoInEmptyDocumentIsAlwaysOutOfBound)
{
    h.doc.onNewDocument();
    GotoDialog& dialog = openGoto();
    go(dialog);
    EXPECT_EQ(h.boxes.last().text, "Out of bound!");
    QTest::mouseClick(dialog.byPercentBox(), Qt::LeftButton);
    go(dialog);
    EXPECT_EQ(h.boxes.shown().size(), 2u);
}

TEST_F(EditingToolsTest, CtrlGWhileOpenChangesNothingAndReopeningKeepsTexts)
{
    h.load("t.txt", "some text");
    GotoDialog& dialog = openGoto();
    typeInto(dialog.offsetEdit(), "4");
    QTest::mouseClick(dialog.byPercentBox(), Qt::LeftButton);
    h.command(ID_GOTO);
    EXPECT_TRUE(dialog.byPercentBox()->isChecked());  // not reopened

    QTest::mouseClick(dialog.doneButton(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(dialog.isVisible());
    openGoto();
    EXPECT_EQ(dialog.offsetEdit()->text(), "4");
    EXPECT_TRUE(dialog.byOffsetBox()->isChecked());
}

TEST_F(EditingToolsTest, StripHtmlRemovesTagsAndIsOnlyForText)
{
    h.load("page.htm", "<p>Hello <b>world</b></p><script>x</script>!");
    ASSERT_TRUE(h.enabled(ID_STRIP_HTML));
    h.command(ID_STRIP_HTML);
    EXPECT_EQ(h.text(), "Hello world!");
    EXPECT_FALSE(h.control().canUndo());

    h.load("b.bin", bytesOf({0x1B, '<', 'b', '>'}));
    EXPECT_FALSE(h.enabled(ID_STRIP_HTML));
    EXPECT_FALSE(h.enabled(ID_EDIT_REPLACE));
    EXPECT_FALSE(h.enabled(ID_INSERT_FILE));
}

TEST_F(EditingToolsTest, InsertFileReplacesTheSelectionUndoablyAndRefusesBinaryFiles)
{
    h.load("t.txt", "abcdef");
    h.select(2, 4);
    h.fileDialogs.choosePath(h.dir.write("in.txt", "XYZ"));
    h.command(ID_INSERT_FILE);
    EXPECT_EQ(h.text(), "abXYZef");
    h.command(ID_EDIT_UNDO);
    EXPECT_EQ(h.text(), "abcdef");

    h.select(3, 3);
    h.fileDialogs.choosePath(h.dir.write("empty.txt", ""));
    h.command(ID_INSERT_FILE);
    EXPECT_EQ(h.text(), "abcdef");

    h.fileDialogs.choosePath(h.dir.write("in.bin", bytesOf({'a', 0x01})));
    h.command(ID_INSERT_FILE);
    EXPECT_EQ(h.boxes.last().text, "Cannot insert a Binary file into a Text file!");
    EXPECT_EQ(h.text(), "abcdef");
}

}  // namespace
}  // namespace quillory::test
