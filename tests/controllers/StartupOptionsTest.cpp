// Startup Options through the real dialog: its presets, the settings file "OK - Save" writes (and
// Cancel does not), the default path stored only with its box checked, and the next start reading
// what was written.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "commands/CommandIds.h"
#include "dialogs/DirectoryTree.h"
#include "dialogs/StartupOptionsDialog.h"
#include "settings/SettingsFile.h"
#include "support/FakeDrives.h"
#include "dialogs/DialogDriving.h"
#include "view/ViewHarness.h"

namespace quillory::test {
namespace {

namespace fs = std::filesystem;

class StartupOptionsTest : public ::testing::Test {
protected:
    StartupOptionsTest()
    {
        fs::create_directories(root.path() + "/docs");
        fs::create_directories(root.path() + "/.config");
        drives.list = {root.path()};
        drives.current = root.path();
    }
    std::string settingsPath() const { return dir.file("Quillory.dat"); }
    std::unique_ptr<ViewHarness> start() { return std::make_unique<ViewHarness>("", settingsPath(), &drives); }
    // Runs Startup Options in h; act works the dialog and ends it.
    void options(ViewHarness& h, const std::function<void(StartupOptionsDialog&)>& act)
    {
        withModalDialog<StartupOptionsDialog>([&] { h.command(cmd::ID_STARTUP_OPTIONS); }, act);
    }
    // Clicks a button where its box or text is: a check box's click area ends with its text.
    static void click(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    static QTreeWidgetItem* folder(StartupOptionsDialog& d, const char* name)
    {
        return d.tree()->childNamed(d.tree()->childNamed(nullptr, ""), name);
    }
    std::string stored() const { return readAll(settingsPath()); }
    SettingsRecord storedRecord() const
    {
        const std::string bytes = stored();
        EXPECT_GE(bytes.size(), 91u);
        return decodeSettingsRecord(reinterpret_cast<const std::uint8_t*>(bytes.data()));
    }

    TempDir dir;   // holds the settings file
    TempDir root;  // the one drive
    FakeDrives drives;
};

TEST_F(StartupOptionsTest, OnlyWordWrapAfterAStartWithoutSettingsWritesACompleteRecordAndNoDirectory)
{
    auto h = start();
    const CharFormat controlFormat = h->control().defaultCharFormat();
    ASSERT_TRUE(h->enabled(cmd::ID_STARTUP_OPTIONS));
    options(*h, [&](StartupOptionsDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Quillory Startup Options...");
        EXPECT_TRUE(d.wordWrapBox()->isChecked());
        for (QCheckBox* box : {d.ansiBox(), d.updateDirBox(), d.backgroundBox(), d.fontBox(), d.windowBox()})
            EXPECT_FALSE(box->isChecked()) << box->text().toStdString();
        EXPECT_EQ(d.pathEdit()->text().toStdString(), root.path() + "/");
        EXPECT_EQ(d.pathEdit()->maxLength(), 700);
        // Tab goes from the update box to the path, then down the other boxes.
        EXPECT_EQ(d.updateDirBox()->nextInFocusChain(), d.pathEdit());
        EXPECT_EQ(d.pathEdit()->nextInFocusChain(), d.wordWrapBox());
        QStringList labels;
        for (const QLabel* label : d.findChildren<QLabel*>())
            labels << label->text();
        EXPECT_TRUE(labels.contains("Changes will be saved to \"Quillory.dat\" located in the directory of the "
                                    "executable."));
        EXPECT_TRUE(labels.contains("Change Drives"));
        EXPECT_EQ(d.okButton()->text(), "OK - Save");
        EXPECT_EQ(d.cancelButton()->text(), "Cancel");
        click(d.okButton());
    });
    EXPECT_EQ(stored().size(), 91u);
    EXPECT_EQ(stored().substr(88), "\x7C\xBF\x7C");
    const SettingsRecord record = storedRecord();
    EXPECT_EQ(record.wordWrap, 1u);
    EXPECT_EQ(record.ansiToAscii, 0u);
    EXPECT_EQ(record.window.bottom, -10);
    EXPECT_EQ(record.background, systemWindowColor());
    EXPECT_EQ(record.charFormat.faceName(), "Courier New");
    EXPECT_EQ(record.charFormat.mask, 0xA0000003u);
    EXPECT_EQ(record.charFormat.effects, 0u);
    EXPECT_EQ(record.charFormat.structSize, 60u);
    EXPECT_EQ(record.charFormat.height, controlFormat.height);  // a whole format, not zeros
    EXPECT_GT(record.charFormat.height, 0);
    EXPECT_TRUE(h->boxes.shown().empty());
}

TEST_F(StartupOptionsTest, DamagedFileIsRewrittenFromTheDefaultsNotFromItsBytes)
{
    // A record of absurd values: a start reports it and uses none of it.
    SettingsRecord absurd = SettingsRecord::defaults();
    absurd.charFormat.height = 1000000000;
    absurd.charFormat.setFaceName("Wingdings");
    absurd.background = makeColorRef(128, 128, 128);
    absurd.window = {-32767, -32767, -32000, -32000};
    const auto image = encodeSettingsRecord(absurd);
    const std::string record(image.begin(), image.end());
    for (const std::string& damaged : {record.substr(0, 60), record + "|?|/srv/old"}) {
        std::ofstream(settingsPath(), std::ios::binary | std::ios::trunc) << damaged;
        auto h = start();
        ASSERT_EQ(h->boxes.shown().size(), 1u);
        EXPECT_EQ(h->boxes.last().caption, "Error - Quillory.dat");
        const CharFormat controlFormat = h->control().defaultCharFormat();
        options(*h, [&](StartupOptionsDialog& d) { click(d.okButton()); });
        const SettingsRecord written = storedRecord();
        EXPECT_EQ(stored().size(), 91u);  // no directory carried over either
        EXPECT_EQ(written.charFormat.height, controlFormat.height);
        EXPECT_EQ(written.charFormat.faceName(), "Courier New");
        EXPECT_EQ(written.background, systemWindowColor());
        EXPECT_EQ(written.window.bottom, -10);

        auto next = start();
        EXPECT_TRUE(next->boxes.shown().empty());
        EXPECT_EQ(next->view->characterFormat().height, controlFormat.height);
        EXPECT_EQ(next->control().backgroundColor(), systemWindowColor());
        EXPECT_FALSE(next->placedAt.has_value());
    }
}

TEST_F(StartupOptionsTest, CancelWritesNothing)
{
    auto h = start();
    options(*h, [&](StartupOptionsDialog& d) {
        click(d.fontBox());
        EXPECT_TRUE(d.logic().choice().saveFont);
        // Checked by an assistive tool's toggle action, the fields follow as for a click.
        QAccessible::queryAccessibleInterface(d.windowBox())
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_TRUE(d.logic().choice().saveWindowPos);
        click(d.updateDirBox());
        click(d.cancelButton());
    });
    EXPECT_FALSE(fs::exists(settingsPath()));
}

TEST_F(StartupOptionsTest, DefaultPathIsStoredOnlyWithItsBoxAndFourBoxesStartClearEveryTime)
{
    auto h = start();
    options(*h, [&](StartupOptionsDialog& d) {
        clickItem(*d.tree(), folder(d, "docs"));
        EXPECT_EQ(d.pathEdit()->text().toStdString(), root.path() + "/docs/");
        for (QCheckBox* box : {d.updateDirBox(), d.backgroundBox(), d.fontBox(), d.windowBox()})
            click(box);
        click(d.okButton());
    });
    EXPECT_EQ(stored().substr(91), root.path() + "/docs/");
    const QRect frame = h->view->window()->geometry();
    EXPECT_EQ(storedRecord().window, (WindowRect{frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1}));

    // Unchecked, the stored path is written back unchanged, whatever the field shows.
    options(*h, [&](StartupOptionsDialog& d) {
        for (QCheckBox* box : {d.updateDirBox(), d.backgroundBox(), d.fontBox(), d.windowBox()})
            EXPECT_FALSE(box->isChecked()) << box->text().toStdString();
        click(d.okButton());
    });
    EXPECT_EQ(stored().substr(91), root.path() + "/docs/");

    // Checked with an empty field, the path goes.
    options(*h, [&](StartupOptionsDialog& d) {
        click(d.updateDirBox());
        d.pathEdit()->setFocus();
        QTest::keyClick(d.pathEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(d.pathEdit(), Qt::Key_Delete);
        click(d.okButton());
    });
    EXPECT_EQ(stored().size(), 91u);

    // A typed relative path is kept absolute: it is taken from the folder selected in the tree.
    options(*h, [&](StartupOptionsDialog& d) {
        click(d.updateDirBox());
        d.pathEdit()->setFocus();
        QTest::keyClick(d.pathEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(d.pathEdit(), "notes");
        click(d.okButton());
    });
    EXPECT_EQ(stored().substr(91), root.path() + "/notes");
}

TEST_F(StartupOptionsTest, WhatIsSavedIsAppliedAtTheNextStart)
{
    {
        auto h = start();
        h->command(cmd::ID_WORD_WRAP);  // off now
        h->dialogs.nextColor = makeColorRef(10, 20, 30);
        h->command(cmd::ID_BACKGROUND_COLOR);
        options(*h, [&](StartupOptionsDialog& d) {
            EXPECT_FALSE(d.wordWrapBox()->isChecked());
            ASSERT_NE(folder(d, ".config"), nullptr);  // shown in this tree
            clickItem(*d.tree(), folder(d, ".config"));
            click(d.updateDirBox());
            click(d.ansiBox());
            click(d.backgroundBox());
            click(d.okButton());
        });
    }
    auto next = start();
    EXPECT_TRUE(next->boxes.shown().empty());
    EXPECT_FALSE(next->view->wordWrap());
    EXPECT_TRUE(next->doc.ansiToAscii());
    EXPECT_EQ(next->doc.folder(), root.path() + "/.config/");
    EXPECT_EQ(next->control().backgroundColor(), makeColorRef(10, 20, 30));
    EXPECT_EQ(next->view->characterFormat().faceName(), "Courier New");
}

TEST_F(StartupOptionsTest, SettingsFileThatCannotBeWrittenIsReported)
{
    const std::string path = dir.file("missing folder/Quillory.dat");
    ViewHarness h("", path, &drives);
    options(h, [&](StartupOptionsDialog& d) { click(d.okButton()); });
    EXPECT_EQ(h.boxes.last(), (MessageBoxRequest{"File Error:",
                                                 "Cannot update data file!\nError accessing: " + path +
                                                     "\nReason: No such file or directory",
                                                 MessageIcon::Stop, MessageButtons::Ok}));
}

TEST_F(StartupOptionsTest, DriveThatCannotBeMadeCurrentLeavesThePath)
{
    drives.list = {"/no/such/drive", root.path()};
    drives.refused = {"/no/such/drive"};
    StartupOptionsDialog d(drives, "/home/ann/.config/Quillory/");
    d.onInitDialog();
    d.show();
    clickItem(*d.tree(), folder(d, "docs"));
    d.driveList()->setCurrentIndex(0);
    emit d.driveList()->activated(0);
    EXPECT_EQ(d.driveList()->currentIndex(), 1);
    EXPECT_EQ(d.pathEdit()->text().toStdString(), root.path() + "/docs/");
    EXPECT_EQ(d.logic().currentFolder(), root.path() + "/docs/");
    QStringList labels;
    for (const QLabel* label : d.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains("Changes will be saved to \"Quillory.dat\" located in /home/ann/.config/Quillory/."));
}

}  // namespace
}  // namespace quillory::test
