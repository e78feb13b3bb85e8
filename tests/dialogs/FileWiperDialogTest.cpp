// The file wiper dialog through its real widgets (offscreen), with scripted file dialogs and
// message boxes: its texts, the custom controls rule, the checks of its edits, wiping with
// progress, 64-bit lengths, Random Rename, and the Tools command that opens it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <unistd.h>

#include "commands/CommandIds.h"
#include "dialogs/FileWiperDialog.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"

namespace quillory::test {
namespace {

namespace fs = std::filesystem;

QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

MessageBoxRequest stop(const char* caption, const char* text)
{
    return {caption, text, MessageIcon::Stop, MessageButtons::Ok};
}

class FileWiperDialogTest : public ::testing::Test {
protected:
    FileWiperDialogTest()
    {
        dialog.show();
        dialog.setHooks({[this](int fd) {
                             ++syncs;
                             return ::fdatasync(fd);
                         },
                         {},
                         {}});
    }
    // Clicks near the left end, where a radio button's indicator is, whatever the width of its cell.
    void click(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    // Replaces the edit's text key by key, as the user would after selecting it all.
    void retype(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Backspace);
        else
            QTest::keyClicks(edit, text);
    }
    void choose(const std::string& path)
    {
        fileDialogs.choosePath(path);
        click(dialog.selectButton());
    }
    std::string shownName() const { return dialog.fileNameEdit()->text().toStdString(); }

    TempDir dir;
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs fileDialogs;
    FileWiperDialog dialog{boxes, fileDialogs};
    int syncs = 0;
};

TEST_F(FileWiperDialogTest, ControlsCarryTheirTextsAndStartValues)
{
    EXPECT_EQ(dialog.windowTitle(), "File Wiper (NOT just a simple deleting command) !!!");
    const std::vector<std::pair<QAbstractButton*, QString>> buttons{
        {dialog.selectButton(), "Click here first to select a file!"},
        {dialog.methodRadio(0), "Standard fast wipe"},
        {dialog.methodRadio(1), "Government wipe"},
        {dialog.methodRadio(2), "Custom..."},
        {dialog.wipeButton(), "WIPE/Resize"},
        {dialog.renameButton(), "Random Rename"},
        {dialog.actionRadio(0), "Overwrite & Delete"},
        {dialog.actionRadio(1), "Overwrite only"},
        {dialog.actionRadio(2), "Resize only"},
        {dialog.quitButton(), "QUIT"},
        {dialog.stopButton(), "Stop"},
    };
    for (const auto& [button, name] : buttons)
        EXPECT_EQ(accessibleName(button), name);
    EXPECT_EQ(dialog.wipeButton()->text(), "&WIPE/Resize");
    EXPECT_TRUE(dialog.quitButton()->isDefault());

    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        texts << accessibleName(label);
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>())
        texts << accessibleName(group);
    const char* explanation = "Both Standard and Government wipe will overwrite the file with the indicate character/ "
                              "decimal value, truncates the file's length to 0, and then delete the file.  The "
                              "\"Wipe now!\" button";
    for (const char* text : {"Selected file's length:", "bytes", "(Null char; value of 0)",
                             "(1's and z's three times, then the value 235 once)", "Basic wipe options:",
                             "Custom options:", "Overwrite Value: (0 ... 255)", "Repeats:", "Resize file to...",
                             explanation, "can executes either the default or custom commands.",
                             "WARNING:  It will be impossible to recover a wiped file.  Use with caution!"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text;
    EXPECT_EQ(accessibleName(dialog.valueEdit()), "Overwrite Value: (0 ... 255)");
    EXPECT_EQ(accessibleName(dialog.repeatsEdit()), "Repeats:");
    EXPECT_EQ(accessibleName(dialog.resizeEdit()), "Resize file to...");
    EXPECT_EQ(accessibleName(dialog.lengthEdit()), "Selected file's length:");

    EXPECT_TRUE(dialog.methodRadio(0)->isChecked());
    EXPECT_TRUE(dialog.actionRadio(0)->isChecked());
    EXPECT_EQ(dialog.valueEdit()->text(), "0");
    EXPECT_EQ(dialog.repeatsEdit()->text(), "1");
    for (QLineEdit* edit : {dialog.fileNameEdit(), dialog.lengthEdit(), dialog.resizeEdit(), dialog.statusEdit()})
        EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(dialog.valueEdit()->maxLength(), 3);
    EXPECT_EQ(dialog.repeatsEdit()->maxLength(), 4);
    EXPECT_EQ(dialog.resizeEdit()->maxLength(), 11);

    // Typing in a display-only field changes nothing.
    for (QLineEdit* edit : {dialog.fileNameEdit(), dialog.lengthEdit(), dialog.statusEdit()}) {
        edit->setFocus();
        QTest::keyClicks(edit, "typed");
        EXPECT_EQ(edit->text(), "");
    }
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(FileWiperDialogTest, CustomControlsFollowTheMethodAndTheAction)
{
    const auto expectEnabled = [this](bool group, bool actions, bool valueAndRepeats, bool resize) {
        EXPECT_EQ(dialog.customGroup()->isEnabled(), group);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(dialog.actionRadio(i)->isEnabled(), actions);
        for (QWidget* widget :
             {static_cast<QWidget*>(dialog.valueLabel()), static_cast<QWidget*>(dialog.valueEdit()),
              static_cast<QWidget*>(dialog.repeatsLabel()), static_cast<QWidget*>(dialog.repeatsEdit())})
            EXPECT_EQ(widget->isEnabled(), valueAndRepeats);
        EXPECT_EQ(dialog.resizeLabel()->isEnabled(), resize);
        EXPECT_EQ(dialog.resizeEdit()->isEnabled(), resize);
    };
    expectEnabled(false, false, false, false);
    click(dialog.actionRadio(2));  // disabled: no effect
    EXPECT_TRUE(dialog.actionRadio(0)->isChecked());

    click(dialog.methodRadio(2));
    expectEnabled(true, true, true, false);
    click(dialog.actionRadio(2));
    expectEnabled(true, true, false, true);
    click(dialog.actionRadio(1));
    expectEnabled(true, true, true, false);
    click(dialog.actionRadio(2));
    click(dialog.methodRadio(1));
    expectEnabled(false, false, false, false);
    click(dialog.methodRadio(2));
    expectEnabled(true, true, false, true);
    click(dialog.methodRadio(0));
    expectEnabled(false, false, false, false);
}

TEST_F(FileWiperDialogTest, EditsAreCheckedAsTheUserTypes)
{
    click(dialog.methodRadio(2));

    retype(dialog.valueEdit(), "300");
    EXPECT_EQ(boxes.shown(), std::vector<MessageBoxRequest>{stop("Error:", "Must be between 0 and 255.")});
    EXPECT_EQ(dialog.valueEdit()->text(), "255");
    retype(dialog.valueEdit(), "x");
    EXPECT_EQ(boxes.last(), stop("Error:", "Invalid entry!"));
    EXPECT_EQ(dialog.valueEdit()->text(), "0");
    retype(dialog.valueEdit(), "17");
    EXPECT_EQ(dialog.logic().fields().value, 17);
    retype(dialog.valueEdit(), "");
    EXPECT_EQ(dialog.logic().fields().value, 0);  // empty counts as 0
    EXPECT_EQ(boxes.shown().size(), 2u);

    boxes.clear();
    retype(dialog.repeatsEdit(), "x");
    EXPECT_EQ(boxes.last(), stop("Error:", "Invalid entry!"));
    EXPECT_EQ(dialog.repeatsEdit()->text(), "1");
    retype(dialog.repeatsEdit(), "300");
    EXPECT_EQ(boxes.last(), stop("Error:", "Must be between 1 and 100."));
    EXPECT_EQ(dialog.repeatsEdit()->text(), "");
    retype(dialog.repeatsEdit(), "4");
    retype(dialog.repeatsEdit(), "");
    EXPECT_EQ(boxes.last(), stop("Error:", "Must be between 1 and 100."));
    EXPECT_EQ(dialog.repeatsEdit()->text(), "");
    EXPECT_EQ(boxes.shown().size(), 3u);

    // The empty repeats field leaves one pass in effect.
    const std::string path = dir.write("file.bin", std::string(1234, 'x'));
    choose(path);
    click(dialog.actionRadio(1));
    retype(dialog.valueEdit(), "65");
    click(dialog.wipeButton());
    EXPECT_EQ(syncs, 1);
    EXPECT_EQ(readAll(path), std::string(1234, 'A'));
    EXPECT_EQ(dialog.statusEdit()->text(), "Done wiping!");
    EXPECT_EQ(shownName(), path);

    // Resize: digits are taken, anything else puts back the file's length, empty is 0.
    boxes.clear();
    click(dialog.actionRadio(2));
    EXPECT_EQ(dialog.resizeEdit()->text(), "1234");
    retype(dialog.resizeEdit(), "300");
    EXPECT_TRUE(boxes.shown().empty());
    click(dialog.wipeButton());
    EXPECT_EQ(fs::file_size(path), 300u);
    EXPECT_EQ(dialog.lengthEdit()->text(), "300");
    EXPECT_EQ(dialog.statusEdit()->text(), "Done Resizing!");
    retype(dialog.resizeEdit(), "12a");
    EXPECT_EQ(boxes.last(), stop("Error:", "Invalid entry!"));
    EXPECT_EQ(dialog.resizeEdit()->text(), "300");
    retype(dialog.resizeEdit(), "");
    click(dialog.wipeButton());
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_EQ(dialog.lengthEdit()->text(), "0");
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST_F(FileWiperDialogTest, WipeAsksForAFileThenWipesItWithProgress)
{
    click(dialog.wipeButton());
    EXPECT_EQ(boxes.shown(), (std::vector<MessageBoxRequest>{{"Error:", "Must enter a filename first!",
                                                              MessageIcon::Information, MessageButtons::Ok}}));

    fileDialogs.cancel();
    click(dialog.selectButton());
    FileDialogRequest expected;
    expected.kind = FileDialogRequest::Kind::Open;
    expected.filter = kFileDialogFilter;
    EXPECT_EQ(fileDialogs.requests, std::vector<FileDialogRequest>{expected});
    EXPECT_EQ(shownName(), "");

    boxes.clear();
    choose("/dev/zero");
    MessageBoxRequest refused = wipeErrorReadingFileMessage();
    refused.text += "\nReason: Not a regular file (a pipe, device or socket)";
    EXPECT_EQ(boxes.shown(), std::vector<MessageBoxRequest>{refused});
    EXPECT_EQ(boxes.last().icon, MessageIcon::Information);
    EXPECT_EQ(dialog.statusEdit()->text(), "File error!");
    EXPECT_EQ(shownName(), "");

    // 20 MB: the bar moves during each pass and after each of the seven.
    const std::string path = dir.write("big.bin", std::string(20 << 20, 'x'));
    choose(path);
    EXPECT_EQ(shownName(), path);
    EXPECT_EQ(dialog.lengthEdit()->text(), QString::number(20 << 20));
    EXPECT_EQ(dialog.statusEdit()->text(), "Ready");
    std::vector<int> seen;
    bool busyDuringWipe = false;
    dialog.setHooks({{},
                     [&](int) {
                         seen.push_back(dialog.progressBar()->value());
                         busyDuringWipe = dialog.busy();
                     },
                     {}});
    click(dialog.methodRadio(1));
    click(dialog.wipeButton());
    ASSERT_EQ(seen.size(), 7u);
    for (std::size_t i = 0; i < seen.size(); ++i)
        EXPECT_EQ(seen[i], static_cast<int>((i + 1) * 1000 / 7));
    EXPECT_TRUE(busyDuringWipe);
    EXPECT_FALSE(dialog.busy());
    EXPECT_EQ(dialog.progressBar()->value(), 1000);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(shownName(), "");
    EXPECT_EQ(dialog.lengthEdit()->text(), "");
    EXPECT_EQ(dialog.resizeEdit()->text(), "");
    EXPECT_EQ(dialog.statusEdit()->text(), "Done Wiping!");
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST_F(FileWiperDialogTest, FitsASmallScreenWithEveryControlVisible)
{
    const QSize hint = dialog.sizeHint();
    EXPECT_LE(hint.width(), 1024);
    EXPECT_LE(hint.height(), 768 - 60);  // a title bar and a panel take some of the screen
    EXPECT_LE(dialog.minimumSizeHint().width(), 1024);
    EXPECT_NE(dialog.layout()->sizeConstraint(), QLayout::SetFixedSize);  // it can be resized
    dialog.resize(hint);
    QApplication::processEvents();
    for (QWidget* widget : dialog.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&dialog) || qobject_cast<QLineEdit*>(widget->parentWidget()) != nullptr)
            continue;
        const QRect placed(widget->mapTo(&dialog, QPoint(0, 0)), widget->size());
        EXPECT_TRUE(dialog.rect().contains(placed))
            << widget->metaObject()->className() << " " << accessibleName(widget).toStdString();
        EXPECT_FALSE(placed.isEmpty());
    }
    // Each edit shows its longest value whole.
    const std::pair<QLineEdit*, int> edits[] = {
        {dialog.valueEdit(), 3}, {dialog.repeatsEdit(), 4}, {dialog.resizeEdit(), 11}, {dialog.lengthEdit(), 11}};
    for (const auto& [edit, digits] : edits) {
        edit->setText(QString(digits, QLatin1Char('8')));
        EXPECT_GE(edit->width(), edit->fontMetrics().horizontalAdvance(edit->text()) + 8) << digits;
    }
}

TEST_F(FileWiperDialogTest, ButtonsAndEditsSetByKeyboardOrAssistiveToolsAreFollowed)
{
    const std::string path = dir.write("keep.bin", std::string(3000, 'k'));
    choose(path);
    const auto toggle = [](QWidget* widget) {
        QAccessible::queryAccessibleInterface(widget)->actionInterface()->doAction(
            QAccessibleActionInterface::toggleAction());
    };
    const auto setByTool = [](QLineEdit* edit, const char* text) {
        QAccessible::queryAccessibleInterface(edit)->setText(QAccessible::Value, QString::fromUtf8(text));
    };
    toggle(dialog.methodRadio(2));
    EXPECT_TRUE(dialog.customGroup()->isEnabled());
    toggle(dialog.actionRadio(1));
    EXPECT_TRUE(dialog.actionRadio(1)->isChecked());
    EXPECT_TRUE(dialog.valueEdit()->isEnabled());
    setByTool(dialog.valueEdit(), "300");
    EXPECT_EQ(boxes.last(), stop("Error:", "Must be between 0 and 255."));
    EXPECT_EQ(dialog.valueEdit()->text(), "255");
    setByTool(dialog.valueEdit(), "170");
    setByTool(dialog.repeatsEdit(), "2");
    click(dialog.wipeButton());
    EXPECT_EQ(readAll(path), std::string(3000, '\xAA'));
    EXPECT_EQ(dialog.statusEdit()->text(), "Done wiping!");
    EXPECT_EQ(syncs, 2);

    // By the keyboard: the arrow keys move the check within each group.
    toggle(dialog.methodRadio(0));
    EXPECT_FALSE(dialog.customGroup()->isEnabled());
    dialog.methodRadio(0)->setFocus();
    QTest::keyClick(dialog.methodRadio(0), Qt::Key_Down);
    QTest::keyClick(dialog.methodRadio(1), Qt::Key_Down);
    EXPECT_TRUE(dialog.methodRadio(2)->isChecked());
    EXPECT_TRUE(dialog.customGroup()->isEnabled());
    dialog.actionRadio(1)->setFocus();
    QTest::keyClick(dialog.actionRadio(1), Qt::Key_Up);
    EXPECT_TRUE(dialog.actionRadio(0)->isChecked());
    QTest::keyClick(dialog.actionRadio(0), Qt::Key_Down);
    EXPECT_TRUE(dialog.actionRadio(1)->isChecked());
    retype(dialog.valueEdit(), "66");
    click(dialog.wipeButton());
    EXPECT_EQ(readAll(path), std::string(3000, 'B'));
    EXPECT_EQ(shownName(), path);
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST_F(FileWiperDialogTest, StopOrEscapeEndsALongWipeAfterThePieceBeingWritten)
{
    const std::string path = dir.write("long.bin", std::string(24 << 20, 'x'));
    const std::string other = dir.file("other name");
    ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Stop");
        choose(path);
        boxes.clear();
        QStringList statuses;
        int passes = 0;
        dialog.setHooks({{},
                         [&](int) { ++passes; },
                         [&](std::uint64_t, std::uint64_t) {
                             statuses << dialog.statusEdit()->text();
                             if (statuses.size() == 1)  // the user reaches for Stop while the first pass runs
                                 QTimer::singleShot(0, [&] {
                                     if (escape)
                                         QTest::keyClick(&dialog, Qt::Key_Escape);
                                     else
                                         QTest::mouseClick(dialog.stopButton(), Qt::LeftButton);
                                 });
                         }});
        click(dialog.methodRadio(1));
        click(dialog.wipeButton());
        EXPECT_EQ(statuses.value(0), "Pass 1 of 7");
        EXPECT_EQ(passes, 0);
        EXPECT_EQ(dialog.statusEdit()->text(), "Stopped!");
        EXPECT_EQ(boxes.shown(), std::vector<MessageBoxRequest>{wipeStoppedMessage()});
        EXPECT_TRUE(fs::exists(path));
        EXPECT_EQ(fs::file_size(path), 24u << 20);
        EXPECT_EQ(shownName(), path);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(dialog.stopButton()->isEnabled());
        EXPECT_TRUE(dialog.wipeButton()->isEnabled());
        const std::string bytes = readAll(other);
        EXPECT_EQ(bytes.front(), '1');
        EXPECT_NE(bytes.find('x'), std::string::npos);  // the first pass did not end
    }
}

TEST_F(FileWiperDialogTest, LengthsBeyondThirtyTwoBitsAreShownAndResizedWhole)
{
    const std::string path = dir.write("sparse", "");
    fs::resize_file(path, 5ll << 30);
    choose(path);
    EXPECT_EQ(dialog.lengthEdit()->text(), "5368709120");
    click(dialog.methodRadio(2));
    click(dialog.actionRadio(2));
    retype(dialog.resizeEdit(), "999999999999");  // the twelfth digit does not fit
    EXPECT_EQ(dialog.resizeEdit()->text(), "99999999999");
    click(dialog.wipeButton());
    EXPECT_EQ(fs::file_size(path), 99999999999u);
    EXPECT_EQ(dialog.lengthEdit()->text(), "99999999999");

    // A file of twelve digits is shown whole, and resizing it untouched keeps it whole.
    fs::resize_file(path, 123456789012);
    choose(path);
    EXPECT_EQ(dialog.lengthEdit()->text(), "123456789012");
    EXPECT_EQ(dialog.resizeEdit()->text(), "123456789012");
    click(dialog.wipeButton());
    EXPECT_EQ(fs::file_size(path), 123456789012u);
    EXPECT_EQ(dialog.statusEdit()->text(), "Done Resizing!");
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(FileWiperDialogTest, RandomRenameKeepsTheFolderAndTheAlphabet)
{
    // Every number drawn, counted and kept for the click that drew it.
    RandomDraws random(20240607);
    std::vector<int> drawn;
    std::size_t draws = 0;
    dialog.logic().setDraws([&] {
        drawn.push_back(random());
        ++draws;
        return drawn.back();
    });
    const std::string content = "the content stays";
    choose(dir.write("original.txt", content));
    std::string current = shownName();
    int renames = 0;
    while (draws < 100000) {
        drawn.clear();
        click(dialog.renameButton());
        const std::string name = shownName();
        // Every drawn name can be given: none is "." or "..", none begins with a full stop.
        ASSERT_TRUE(boxes.shown().empty()) << boxes.last().text;
        if (name == current)
            continue;
        ++renames;
        ASSERT_EQ(folderOf(name), dir.path() + "/");
        const std::string leaf = name.substr(folderOf(name).size());
        ASSERT_NE(leaf.front(), '.');
        for (const char c : leaf)
            ASSERT_TRUE(isNameCharacter(c)) << leaf;
        ASSERT_EQ(readAll(name), content);
        ASSERT_FALSE(fs::exists(current));
        current = name;
    }
    EXPECT_GT(renames, 700);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(dialog.statusEdit()->text(), "Ready");
}

TEST_F(FileWiperDialogTest, RandomRenameNeverReplacesAndNeedsAFile)
{
    std::deque<int> numbers;
    dialog.logic().setDraws([&] {
        const int next = numbers.front();
        numbers.pop_front();
        return next;
    });
    const MessageBoxRequest notFound =
        stop("Error:", "File not found!\nLet the buffered data get flushed to the disk drive first then try it again.");

    numbers = {0};  // a name of no characters: nothing happens
    click(dialog.renameButton());
    EXPECT_TRUE(boxes.shown().empty());
    numbers = {1, 65};  // "a", but no file is chosen
    click(dialog.renameButton());
    MessageBoxRequest noFile = notFound;
    noFile.text += "\nReason: No such file or directory";
    EXPECT_EQ(boxes.shown(), std::vector<MessageBoxRequest>{noFile});

    // A drawn name that is taken is said as it is.
    const std::string path = dir.write("secret.txt", "mine");
    const std::string taken = dir.write("a", "someone else's");
    choose(path);
    numbers = {1, 65};
    click(dialog.renameButton());
    EXPECT_EQ(boxes.last(), stop("Error:", "A file named a already exists in the folder.\nNothing was renamed."));
    EXPECT_EQ(readAll(taken), "someone else's");
    EXPECT_EQ(readAll(path), "mine");
    EXPECT_EQ(shownName(), path);

    numbers = {2, 65, 66};
    click(dialog.renameButton());
    EXPECT_EQ(shownName(), dir.file("ab"));
    EXPECT_EQ(readAll(dir.file("ab")), "mine");
    EXPECT_EQ(boxes.shown().size(), 2u);
}

}  // namespace
}  // namespace quillory::test
