// The Split/Join dialog through its real widgets: the lazy tree and the path it builds, the file
// lists with Add, Remove and Clear, the custom size edit, drive changes, and SPLIT and JOIN with
// their progress.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "commands/CommandIds.h"
#include "dialogs/DirectoryTree.h"
#include "dialogs/FolderIcons.h"
#include "dialogs/SelectionListBox.h"
#include "dialogs/SplitJoinDialog.h"
#include "splitjoin/ChunkNaming.h"
#include "support/FakeDrives.h"
#include "dialogs/DialogDriving.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"

namespace quillory::test {
namespace {

namespace fs = std::filesystem;

class SplitJoinDialogTest : public ::testing::Test {
protected:
    SplitJoinDialogTest()
    {
        drives.list = {root()};
        drives.current = root();
    }
    std::string root() const { return dir.path(); }
    std::string folder(const std::string& relative = "") const { return dir.path() + "/" + relative; }
    // The dialog as it opens, shown.
    SplitJoinDialog& open()
    {
        dialog = std::make_unique<SplitJoinDialog>(boxes, fileDialogs, drives, [this] { ++beeps; });
        dialog->onInitDialog();
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return *dialog;
    }
    QTreeWidgetItem* item(std::initializer_list<const char*> names) const
    {
        DirectoryTree& tree = *dialog->tree();
        QTreeWidgetItem* found = tree.childNamed(nullptr, "");
        for (const char* name : names)
            found = found == nullptr ? nullptr : tree.childNamed(found, name);
        return found;
    }
    void click(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }

    TempDir dir;
    FakeDrives drives;
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs fileDialogs;
    int beeps = 0;
    std::unique_ptr<SplitJoinDialog> dialog;
};

TEST_F(SplitJoinDialogTest, TreeReadsFoldersOnDemandAndItsSelectionBuildsThePath)
{
    fs::create_directories(folder("a/b"));
    fs::create_directories(folder(".cache/inside"));
    dir.write("top.txt", "t");
    for (const char* name : {"a/b/x.1", "a/b/x.2", "a/b/Y", "a/b/.hidden"})
        dir.write(name, "x");
    SplitJoinDialog& d = open();
    EXPECT_EQ(d.statusField()->text(), "Ready!");
    EXPECT_EQ(d.logic().currentFolder(), folder());
    ASSERT_NE(item({}), nullptr);
    EXPECT_EQ(item({})->text(0).toStdString(), folder());
    EXPECT_EQ(childTexts(item({})), QStringList{"a"});  // names beginning with a dot stay hidden
    EXPECT_EQ(texts(*d.fileList()), QStringList{"top.txt"});
    EXPECT_TRUE(d.chunkButton(0)->isChecked());
    EXPECT_EQ(d.customSizeEdit()->text(), "1740000");
    EXPECT_FALSE(d.customSizeEdit()->isEnabled());

    clickItem(*d.tree(), item({"a"}));
    EXPECT_EQ(d.logic().currentFolder(), folder("a/"));
    EXPECT_TRUE(texts(*d.fileList()).isEmpty());
    EXPECT_EQ(item({"a"})->childCount(), 0);  // not read before it is double-clicked
    doubleClickItem(*d.tree(), item({"a"}));
    EXPECT_EQ(childTexts(item({"a"})), QStringList{"b"});
    EXPECT_TRUE(item({"a"})->isExpanded());
    EXPECT_EQ(item({"a"})->icon(0).cacheKey(), openFolderIcon().cacheKey());

    // Read once: a folder made since is not shown; a second double click only collapses.
    fs::create_directory(folder("a/late"));
    doubleClickItem(*d.tree(), item({"a"}));
    EXPECT_FALSE(item({"a"})->isExpanded());
    EXPECT_EQ(item({"a"})->icon(0).cacheKey(), closedFolderIcon().cacheKey());
    doubleClickItem(*d.tree(), item({"a"}));
    EXPECT_EQ(childTexts(item({"a"})), QStringList{"b"});

    clickItem(*d.tree(), item({"a", "b"}));
    EXPECT_EQ(d.logic().currentFolder(), folder("a/b/"));
    EXPECT_EQ(texts(*d.fileList()), (QStringList{".hidden", "x.1", "x.2", "Y"}));
    clickRow(*d.fileList(), 1);
    clickRow(*d.fileList(), 2);
    click(d.addButton());
    EXPECT_EQ(d.logic().joinPaths(), (std::vector<std::string>{folder("a/b/x.1"), folder("a/b/x.2")}));
    EXPECT_EQ(texts(*d.joinList()),
              (QStringList{QString::fromStdString(folder("a/b/x.1")), QString::fromStdString(folder("a/b/x.2"))}));
    EXPECT_EQ(d.statusField()->text(), "File(s) Added.");
    EXPECT_EQ(d.fileList()->selectedRows(), (std::vector<int>{1, 2}));

    clickRow(*d.fileList(), 1);
    clickRow(*d.fileList(), 2);
    click(d.addButton());
    EXPECT_EQ(boxes.last(), (MessageBoxRequest{"Error:", "No file selected from the list box on the left!",
                                               MessageIcon::Exclamation, MessageButtons::Ok}));
    EXPECT_EQ(d.joinList()->count(), 2);
}

TEST_F(SplitJoinDialogTest, ShiftClicksExtendAndRemoveSelectsTheEntryAfterTheRemovedBlock)
{
    for (const char* name : {"f1", "f2", "f3", "f4", "f5"})
        dir.write(name, name);
    SplitJoinDialog& d = open();
    SelectionListBox& left = *d.fileList();
    clickRow(left, 0);
    clickRow(left, 4, Qt::ShiftModifier);
    EXPECT_EQ(left.selectedRows(), (std::vector<int>{0, 1, 2, 3, 4}));
    clickRow(left, 1);                     // deselects f2 and makes it the anchor
    clickRow(left, 3, Qt::ShiftModifier);  // f2 to f4 take the anchor's state
    EXPECT_EQ(left.selectedRows(), (std::vector<int>{0, 4}));
    clickRow(left, 0);
    clickRow(left, 4);
    clickRow(left, 0);
    clickRow(left, 4, Qt::ShiftModifier);
    click(d.addButton());
    ASSERT_EQ(d.joinList()->count(), 5);

    SelectionListBox& right = *d.joinList();
    const auto names = [&] {
        std::vector<std::string> result;
        for (const std::string& path : d.logic().joinPaths())
            result.push_back(fs::path(path).filename().string());
        return result;
    };
    clickRow(right, 1);
    clickRow(right, 2);
    click(d.removeButton());
    EXPECT_EQ(names(), (std::vector<std::string>{"f1", "f4", "f5"}));
    EXPECT_EQ(right.selectedRows(), std::vector<int>{1});  // the former fourth
    EXPECT_EQ(d.statusField()->text(), " Removed");
    clickRow(right, 1);
    clickRow(right, 2);
    click(d.removeButton());
    EXPECT_EQ(names(), (std::vector<std::string>{"f1", "f4"}));
    EXPECT_EQ(right.selectedRows(), std::vector<int>{1});  // the new last one
    click(d.removeButton());
    click(d.removeButton());
    EXPECT_EQ(right.count(), 0);
    EXPECT_TRUE(right.selectedRows().empty());
    EXPECT_TRUE(boxes.shown().empty());
    click(d.removeButton());
    EXPECT_EQ(boxes.last(), (MessageBoxRequest{"Error:", "No file selected from the list box on the right!",
                                               MessageIcon::Exclamation, MessageButtons::Ok}));

    click(d.addButton());
    click(d.addButton());  // the same files twice
    EXPECT_EQ(right.count(), 10);
    click(d.clearButton());
    EXPECT_EQ(right.count(), 0);
    EXPECT_TRUE(d.logic().joinPaths().empty());
    EXPECT_EQ(d.statusField()->text(), "List Cleared.");
}

TEST_F(SplitJoinDialogTest, CustomSizeEditTakesAtMostNineDigits)
{
    SplitJoinDialog& d = open();
    QLineEdit& edit = *d.customSizeEdit();
    click(d.chunkButton(ChunkCustom));
    EXPECT_TRUE(edit.isEnabled());
    EXPECT_EQ(d.logic().chunkChoice(), ChunkCustom);
    edit.setFocus();
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClicks(&edit, "5");
    EXPECT_EQ(edit.text(), "17400005");
    QTest::keyClicks(&edit, "x");
    EXPECT_EQ(edit.text(), "17400005");
    EXPECT_EQ(edit.cursorPosition(), 8);
    EXPECT_EQ(beeps, 1);
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Right);
    QTest::keyClick(&edit, Qt::Key_Right);
    QTest::keyClicks(&edit, "-");
    EXPECT_EQ(edit.text(), "17400005");
    EXPECT_EQ(edit.cursorPosition(), 2);
    EXPECT_EQ(beeps, 2);
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClicks(&edit, "12");  // a tenth digit does not fit
    EXPECT_EQ(edit.text(), "174000051");
    EXPECT_EQ(d.logic().customSize(), "174000051");
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(d.logic().customSize(), "");  // empty is allowed here; SPLIT refuses it
    EXPECT_EQ(beeps, 2);
    click(d.chunkButton(Chunk144MB));
    EXPECT_FALSE(edit.isEnabled());
    EXPECT_EQ(d.logic().chunkChoice(), Chunk144MB);

    // Checked by an assistive tool (its toggle action) or the keyboard, the buttons act alike.
    QAccessibleInterface* custom = QAccessible::queryAccessibleInterface(d.chunkButton(ChunkCustom));
    ASSERT_NE(custom, nullptr);
    custom->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(d.chunkButton(ChunkCustom)->isChecked());
    EXPECT_TRUE(edit.isEnabled());
    EXPECT_EQ(d.logic().chunkChoice(), ChunkCustom);
    d.chunkButton(ChunkCustom)->setFocus();
    QTest::keyClick(d.chunkButton(ChunkCustom), Qt::Key_Left);
    EXPECT_TRUE(d.chunkButton(Chunk144MB)->isChecked());
    EXPECT_FALSE(edit.isEnabled());
    EXPECT_EQ(d.logic().chunkChoice(), Chunk144MB);
}

TEST_F(SplitJoinDialogTest, DriveThatCannotBeMadeCurrentChangesNothing)
{
    TempDir other;
    fs::create_directory(folder("a"));
    fs::create_directory(other.path() + "/elsewhere");
    drives.list = {"/no/such/drive", root(), other.path()};
    std::sort(drives.list.begin() + 1, drives.list.end());
    drives.refused = {"/no/such/drive"};
    SplitJoinDialog& d = open();
    QComboBox& combo = *d.driveList();
    EXPECT_EQ(combo.currentText().toStdString(), root());
    clickItem(*d.tree(), item({"a"}));
    const int before = combo.currentIndex();

    combo.setFocus();
    combo.setCurrentIndex(0);
    emit combo.activated(0);  // what choosing the entry in the list does
    EXPECT_EQ(combo.currentIndex(), before);
    EXPECT_EQ(d.logic().currentFolder(), folder("a/"));
    EXPECT_EQ(d.tree()->currentItem(), item({"a"}));
    EXPECT_EQ(drives.current, root());
    EXPECT_TRUE(boxes.shown().empty());

    const int otherIndex = combo.findText(QString::fromStdString(other.path()));
    combo.setCurrentIndex(otherIndex);
    emit combo.activated(otherIndex);
    EXPECT_EQ(drives.current, other.path());
    EXPECT_EQ(d.logic().currentFolder(), other.path() + "/");
    EXPECT_EQ(item({})->text(0).toStdString(), other.path() + "/");
    EXPECT_EQ(childTexts(item({})), QStringList{"elsewhere"});
}

// What the dialog showed while a copy ran, recorded as its progress bar moved.
struct ProgressRecord {
    std::vector<int> values;
    bool allProcessing = true;
    bool splitEverEnabled = false;
    std::vector<bool> busy;  // what the dialog tells its owner
};

// While the copy runs the status reads "Processing..." and the buttons are disabled.
void recordProgress(SplitJoinDialog& d, ProgressRecord& record)
{
    QObject::connect(d.progressBar(), &QProgressBar::valueChanged, [&d, &record](int value) {
        record.values.push_back(value);
        record.allProcessing = record.allProcessing && d.statusField()->text() == "Processing...";
        record.splitEverEnabled = record.splitEverEnabled || d.splitButton()->isEnabled();
    });
    QObject::connect(&d, &SplitJoinDialog::busyChanged, [&record](bool now) { record.busy.push_back(now); });
}

void expectProgressShown(SplitJoinDialog& d, const ProgressRecord& record)
{
    EXPECT_GT(record.values.size(), 10u);
    EXPECT_TRUE(std::is_sorted(record.values.begin() + 1, record.values.end()));
    EXPECT_EQ(record.values.back(), d.progressBar()->maximum());
    EXPECT_TRUE(record.allProcessing);
    EXPECT_FALSE(record.splitEverEnabled);
}

// Enter in the custom size edit only edits; anywhere else it is the dialog's OK.
void expectEnterIsOkOutsideTheSizeEdit(SplitJoinDialog& d)
{
    d.customSizeEdit()->setFocus();
    QTest::keyClick(d.customSizeEdit(), Qt::Key_Return);
    EXPECT_TRUE(d.isVisible());
    d.fileList()->setFocus();
    QTest::keyClick(d.fileList(), Qt::Key_Return);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST_F(SplitJoinDialogTest, SplitAndJoinThroughTheButtonsShowTheirProgress)
{
    fs::create_directory(folder("sub"));
    std::string source(2500, '\0');
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<char>(i * 7 + i / 256);
    dir.write("src.bin", source);
    SplitJoinDialog& d = open();
    d.logic().setCopyOptions(100, false);
    click(d.chunkButton(ChunkCustom));
    d.customSizeEdit()->setFocus();
    QTest::keyClick(d.customSizeEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(d.customSizeEdit(), "1000");

    ProgressRecord progress;
    recordProgress(d, progress);
    fileDialogs.choosePath(folder("src.bin"));
    fileDialogs.choosePath(folder("B"));
    click(d.splitButton());
    EXPECT_EQ(progress.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(d.statusField()->text(), "Finished!");
    EXPECT_TRUE(boxes.shown().empty());
    ASSERT_EQ(fileDialogs.requests.size(), 2u);
    EXPECT_EQ(fileDialogs.requests[0].initialDir, folder());
    EXPECT_EQ(fileDialogs.requests[1].initialDir, folder());
    EXPECT_EQ(readAll(folder("B.3")), source.substr(2000));
    expectProgressShown(d, progress);
    EXPECT_TRUE(d.splitButton()->isEnabled());
    EXPECT_TRUE(d.customSizeEdit()->isEnabled());

    // The left list shows the chunks at once.
    EXPECT_EQ(texts(*d.fileList()), (QStringList{"B.1", "B.2", "B.3", "src.bin"}));
    clickRow(*d.fileList(), 0);
    clickRow(*d.fileList(), 2, Qt::ShiftModifier);
    click(d.addButton());
    fileDialogs.choosePath(folder("joined"));
    click(d.joinButton());
    EXPECT_EQ(d.statusField()->text(), "Finished!");
    EXPECT_EQ(readAll(folder("joined")), source);
    EXPECT_EQ(d.progressBar()->value(), d.progressBar()->maximum());
    EXPECT_EQ(texts(*d.fileList()), (QStringList{"B.1", "B.2", "B.3", "joined", "src.bin"}));

    expectEnterIsOkOutsideTheSizeEdit(d);
}

TEST_F(SplitJoinDialogTest, PipesMissingFilesAndUnreadableFoldersAreRefusedAtOnceWithTheirReason)
{
    // A blocking open of a pipe without a writer would never return: the watchdog ends the test.
    ::alarm(20);
    const std::string pipe = folder("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    dir.write("data", "data");
    fs::create_directory(folder("gone"));
    SplitJoinDialog& d = open();
    EXPECT_EQ(texts(*d.fileList()), (QStringList{"data", "pipe"}));
    const std::string notRegular = "\nReason: Not a regular file (a pipe, device or socket)";
    const auto fileError = [](const std::string& text) {
        return MessageBoxRequest{"File Error:", text, MessageIcon::Stop, MessageButtons::Ok};
    };

    // The pipe as the split source.
    fileDialogs.choosePath(pipe);
    click(d.splitButton());
    EXPECT_EQ(boxes.last(), fileError("Error occur while processing : " + pipe + notRegular));
    EXPECT_EQ(d.statusField()->text(), "File Error!");
    EXPECT_TRUE(fileDialogs.answers.empty());

    // The pipe in the join list.
    clickRow(*d.fileList(), 0);
    clickRow(*d.fileList(), 1);
    click(d.addButton());
    fileDialogs.choosePath(folder("joined"));
    click(d.joinButton());
    EXPECT_EQ(boxes.last(), fileError("Error occur while processing : " + pipe + notRegular));
    EXPECT_EQ(readAll(folder("joined")), "data");

    // The pipe as the join output.
    boxes.clear();
    fileDialogs.choosePath(pipe);
    click(d.joinButton());
    EXPECT_EQ(boxes.shown(),
              std::vector<MessageBoxRequest>{fileError("Error writing to output file " + pipe + notRegular)});
    EXPECT_EQ(d.statusField()->text(), "File Error!");
    EXPECT_TRUE(fs::is_fifo(pipe));

    // A folder that cannot be read says so instead of showing an empty list.
    fs::remove(folder("gone"));
    clickItem(*d.tree(), item({"gone"}));
    EXPECT_EQ(boxes.last(),
              fileError("Cannot read the folder " + folder("gone/") + "\nReason: " + std::strerror(ENOENT)));
    EXPECT_EQ(d.statusField()->text(), "File Error!");
    EXPECT_EQ(d.fileList()->count(), 0);
    ::alarm(0);
}

TEST_F(SplitJoinDialogTest, TreeOpensAtTheStartFolderAndShowsWhichFoldersMayHoldMore)
{
    fs::create_directories(folder("a/b/c"));
    fs::create_directories(folder("empty"));
    dir.write("a/b/inside", "x");
    dialog = std::make_unique<SplitJoinDialog>(boxes, fileDialogs, drives, [] {});
    dialog->logic().setStartFolder(folder("a/b"));
    dialog->onInitDialog();
    dialog->show();
    SplitJoinDialog& d = *dialog;
    ASSERT_NE(item({"a", "b"}), nullptr);
    EXPECT_EQ(d.tree()->currentItem(), item({"a", "b"}));
    EXPECT_TRUE(item({"a"})->isExpanded());
    EXPECT_EQ(d.logic().currentFolder(), folder("a/b/"));
    EXPECT_EQ(texts(*d.fileList()), QStringList{"inside"});
    // Not yet read: an indicator says it may hold folders; read and found empty: none.
    EXPECT_EQ(item({"a", "b"})->childCount(), 0);
    EXPECT_EQ(item({"a", "b"})->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(item({"empty"})->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    item({"empty"})->setExpanded(true);  // what a click on the indicator does
    EXPECT_EQ(item({"empty"})->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    EXPECT_EQ(item({"empty"})->childCount(), 0);
    EXPECT_TRUE(d.tree()->visualItemRect(item({"a", "b"})).intersects(d.tree()->viewport()->rect()));
}

}  // namespace
}  // namespace quillory::test
