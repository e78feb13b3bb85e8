// Settings read at start-up, word wrap, fonts and colours, and Find/Replace through the view.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "commands/CommandIds.h"
#include "settings/SettingsFile.h"
#include "view/ViewHarness.h"

namespace quillory::test {
namespace {

using namespace cmd;

SettingsRecord storedRecord()
{
    SettingsRecord record = SettingsRecord::defaults();
    record.wordWrap = 0;
    record.ansiToAscii = 1;
    record.charFormat.setFaceName("DejaVu Sans Mono");
    record.background = makeColorRef(1, 2, 3);
    record.window = {10, 20, 610, 420};
    return record;
}

TEST(ViewSettings, ValidFileIsAppliedAtCreation)
{
    TempDir dir;
    const std::string path = dir.file("Quillory.dat");
    ASSERT_TRUE(writeSettingsFile(path, storedRecord(), "/srv/texts/  "));
    ViewHarness h({}, path);
    h.view->onInitialUpdate();
    EXPECT_TRUE(h.boxes.shown().empty());
    EXPECT_FALSE(h.view->wordWrap());
    EXPECT_FALSE(h.control().wordWrap());
    EXPECT_TRUE(h.doc.ansiToAscii());
    EXPECT_EQ(h.doc.folder(), "/srv/texts/");
    EXPECT_EQ(h.control().backgroundColor(), makeColorRef(1, 2, 3));
    EXPECT_EQ(h.panes[StatusPane::Font], "Font: DejaVu Sans Mono");
    EXPECT_EQ(h.placedAt, QRect(10, 20, 600, 400));
}

TEST(ViewSettings, ShortOrBadTagFileIsReportedAndDefaultsStay)
{
    TempDir dir;
    const auto image = encodeSettingsRecord(storedRecord());
    const std::string record(image.begin(), image.end());
    for (const std::string& content : {record, record + "|?|"}) {
        const std::string path = dir.write("Quillory.dat", content);
        ViewHarness h({}, path);
        h.view->onInitialUpdate();
        ASSERT_EQ(h.boxes.shown().size(), 1u);
        EXPECT_EQ(h.boxes.last(), (MessageBoxRequest{"Error - Quillory.dat",
                                                     "Error reading initialize data!\nThe data file is either "
                                                     "out-dated or corrupted.\nPlease create a new one.\nDefault "
                                                     "settings will be used.",
                                                     MessageIcon::Stop, MessageButtons::Ok}));
        EXPECT_TRUE(h.view->wordWrap());
        EXPECT_FALSE(h.doc.ansiToAscii());
        EXPECT_EQ(h.panes[StatusPane::Font], "Font: Courier New");
        EXPECT_FALSE(h.placedAt.has_value());
    }
}

TEST(ViewSettings, AbsurdFontHeightsAndWindowRectanglesTakeTheDefaults)
{
    TempDir dir;
    const std::string path = dir.file("Quillory.dat");
    const std::int32_t defaultHeight = ViewHarness().view->characterFormat().height;
    struct Stored {
        std::int32_t twips;
        WindowRect window;
        bool applied;  // the height and the rectangle are taken as stored
    };
    const std::int32_t far = 2000000000;
    const Stored cases[] = {
        {2147483647, {-far, -far, far, far}, false},    // a billion twips, a window as wide as 4e9 pixels
        {19, {far, far, far + 600, far + 400}, false},  // too small to read; far off every screen
        {32761, {10, 20, 60, 420}, false},              // a window 50 pixels wide
        {-200, {-560, 20, 40, 420}, false},             // 40 x 400 pixels on the screen
        {20, {10, 20, 610, 420}, true},
        {32760, {-500, -300, 100, 100}, true},  // 100 x 100 pixels on the screen
    };
    for (const Stored& stored : cases) {
        SCOPED_TRACE(stored.twips);
        SettingsRecord record = storedRecord();
        record.charFormat.height = stored.twips;
        record.window = stored.window;
        ASSERT_TRUE(writeSettingsFile(path, record, ""));
        const std::string before = readAll(path);
        ViewHarness h({}, path);
        h.view->onInitialUpdate();
        EXPECT_TRUE(h.boxes.shown().empty());
        EXPECT_EQ(h.view->characterFormat().height, stored.applied ? stored.twips : defaultHeight);
        EXPECT_EQ(h.control().defaultCharFormat().height, h.view->characterFormat().height);
        EXPECT_EQ(h.placedAt.has_value(), stored.applied);
        EXPECT_EQ(h.view->characterFormat().faceName(), "DejaVu Sans Mono");  // the rest of the record is taken
        EXPECT_EQ(readAll(path), before);                                     // the file stays until the user saves
    }
}

TEST(ViewSettings, MissingFileShowsNothingAndUsesDefaults)
{
    ViewHarness h;
    h.view->onInitialUpdate();
    EXPECT_TRUE(h.boxes.shown().empty());
    EXPECT_EQ(h.panes[StatusPane::Font], "Font: Courier New");
    EXPECT_EQ(h.panes[StatusPane::Mode], " TEXT ");
    EXPECT_EQ(h.panes[StatusPane::InsertMode], "INS");
    EXPECT_TRUE(h.control().wordWrap());
}

TEST(ViewSettings, CommandLineFileIsLoadedByTheFirstUpdate)
{
    TempDir dir;
    const std::string path = dir.write("a b.bin", bytesOf({'A', 0, '\r', '\n', '\t', 'B'}));
    ViewHarness h(path);
    EXPECT_TRUE(h.view->onInitialUpdate());
    EXPECT_EQ(h.text(), bytesOf({'A', 1, 1, 1, 1, 'B'}));
    EXPECT_EQ(h.panes[StatusPane::Mode], "BINARY");
    EXPECT_FALSE(h.control().canUndo());
    EXPECT_FALSE(h.control().isModified());
}

TEST(ViewAppearance, WordWrapTwiceReturnsAndTheCheckMarkFollows)
{
    ViewHarness h;
    EXPECT_EQ(h.router.state(ID_WORD_WRAP).checked, true);
    h.command(ID_WORD_WRAP);
    EXPECT_EQ(h.router.state(ID_WORD_WRAP).checked, false);
    EXPECT_FALSE(h.control().wordWrap());
    h.command(ID_WORD_WRAP);
    EXPECT_TRUE(h.control().wordWrap());
}

TEST(ViewAppearance, CancelledFontDialogStillRewritesTheFontPane)
{
    ViewHarness h;
    h.panes[StatusPane::Font] = "stale";
    h.command(ID_SELECT_FONTS);
    EXPECT_EQ(h.panes[StatusPane::Font], "Font: Courier New");
    CharFormat chosen = h.control().defaultCharFormat();
    chosen.setFaceName("DejaVu Sans");
    h.dialogs.nextFont = chosen;
    h.command(ID_SELECT_FONTS);
    EXPECT_EQ(h.panes[StatusPane::Font], "Font: DejaVu Sans");
    EXPECT_EQ(h.control().defaultCharFormat().faceName(), "DejaVu Sans");
}

TEST(ViewAppearance, TextColourKeepsFaceSizeAndStyles)
{
    ViewHarness h;
    const CharFormat before = h.control().defaultCharFormat();
    h.dialogs.nextColor = makeColorRef(200, 0, 0);
    h.command(ID_FONTS_COLOR);
    const CharFormat after = h.control().defaultCharFormat();
    EXPECT_EQ(after.textColor, makeColorRef(200, 0, 0));
    EXPECT_EQ(after.faceName(), before.faceName());
    EXPECT_EQ(after.height, before.height);
    EXPECT_EQ(after.effects & (kEffectBold | kEffectItalic), before.effects & (kEffectBold | kEffectItalic));
    EXPECT_TRUE(h.view->characterFormat().mask & kMaskColor);

    h.dialogs.nextColor = makeColorRef(0, 0, 90);
    h.command(ID_BACKGROUND_COLOR);
    EXPECT_EQ(h.view->backgroundColor(), makeColorRef(0, 0, 90));
    EXPECT_EQ(h.control().backgroundColor(), makeColorRef(0, 0, 90));
}

TEST(ViewFind, FindNextAndReplaceAllThroughTheDialog)
{
    ViewHarness h;
    h.load("t.txt", "one Two two TWO");
    h.select(0, 0);
    h.command(ID_EDIT_FIND);
    FindReplaceDialog* dialog = h.features.find->dialog();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClicks(dialog->findEdit(), "two");
    QTest::mouseClick(dialog->findNextButton(), Qt::LeftButton);
    EXPECT_EQ(h.control().selection(), (CharRange{4, 7}));
    h.command(ID_EDIT_REPEAT);  // F3
    EXPECT_EQ(h.control().selection(), (CharRange{8, 11}));

    h.command(ID_EDIT_REPLACE);
    dialog->replaceEdit()->setText("2");
    QTest::mouseClick(dialog->replaceAllButton(), Qt::LeftButton);
    EXPECT_EQ(h.text(), "one 2 2 2");
    EXPECT_EQ(h.control().selection(), (CharRange{9, 9}));  // after the last replacement
    EXPECT_TRUE(h.control().isModified());
    h.command(ID_EDIT_UNDO);  // every replacement in one step
    EXPECT_EQ(h.text(), "one Two two TWO");
    h.command(ID_EDIT_UNDO);
    EXPECT_EQ(h.text(), "one 2 2 2");
    h.command(ID_EDIT_UNDO);
    EXPECT_EQ(h.text(), "one Two two TWO");
    QTest::mouseClick(dialog->matchCaseBox(), Qt::LeftButton, {}, QPoint(6, dialog->matchCaseBox()->height() / 2));
    ASSERT_TRUE(dialog->matchCaseBox()->isChecked());
    QTest::mouseClick(dialog->replaceAllButton(), Qt::LeftButton);
    EXPECT_EQ(h.text(), "one Two 2 TWO");

    h.load("b.bin", bytesOf({0x1B, 't', 'w', 'o'}));
    EXPECT_FALSE(h.enabled(ID_EDIT_REPLACE));
    QTest::mouseClick(dialog->replaceAllButton(), Qt::LeftButton);  // an open dialog cannot edit BINARY
    EXPECT_EQ(h.storage(), bytesOf({0x1B, 't', 'w', 'o'}));
    EXPECT_EQ(h.text(), bytesOf({0x1B, 't', 'w', 'o'}));
}

}  // namespace
}  // namespace quillory::test
