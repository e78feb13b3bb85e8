// Split/Join and the File Wiper opened by their commands, with the view's services.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "commands/CommandIds.h"
#include "dialogs/DialogDriving.h"
#include "dialogs/DirectoryTree.h"
#include "dialogs/FileWiperDialog.h"
#include "dialogs/SplitJoinDialog.h"
#include "support/FakeDrives.h"
#include "view/ViewHarness.h"

namespace quillory::test {
namespace {

namespace fs = std::filesystem;

TEST(SplitJoinCommand, OpensTheModalDialogWithEveryControlNamed)
{
    TempDir root;
    FakeDrives drives;
    drives.list = {root.path()};
    drives.current = root.path();
    ViewHarness h({}, {}, &drives);
    ASSERT_TRUE(h.enabled(cmd::ID_SPLIT_JOIN));
    fs::create_directories(root.path() + "/docs/letters");
    h.doc.setFolder(root.path() + "/docs/letters/");  // the document's folder
    withModalDialog<SplitJoinDialog>(
        [&] { h.command(cmd::ID_SPLIT_JOIN); },
        [&](SplitJoinDialog& d) {
            EXPECT_EQ(d.windowTitle(), "Split or Join files...");
            EXPECT_EQ(d.statusField()->text(), "Ready!");
            EXPECT_EQ(d.logic().currentFolder(),
                      root.path() + "/docs/letters/");  // the tree opens where the document is
            ASSERT_NE(d.tree()->currentItem(), nullptr);
            EXPECT_EQ(d.tree()->currentItem()->text(0), "letters");
            QStringList named;
            for (QWidget* widget : d.findChildren<QWidget*>()) {
                QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
                // The parts of lists and trees (viewports, scroll bars, headers) are named by their owner.
                bool part = false;
                for (QWidget* up = widget->parentWidget(); up != nullptr && up != &d; up = up->parentWidget())
                    part = part || qobject_cast<QAbstractScrollArea*>(up) != nullptr;
                if (accessible == nullptr || !widget->isVisible() || part)
                    continue;
                const QString name = accessible->text(QAccessible::Name);
                EXPECT_FALSE(name.isEmpty()) << widget->metaObject()->className();
                named << name;
            }
            for (const char* text :
                 {"Clear List >", "Add ----->", "Remove <", "SPLIT", "JOIN", "Quit", "720 K", "1200 K", "1.44 MB",
                  "Custom", "Custom chunk size in", "bytes:", "<-- Change Drives", "--Last operation status",
                  "Chunk Sizes for file Spliting:",
                  "Numbered extensions will be added to the end of a split file: \"Filename.001...\"",
                  "\"Filename\" is the name you supply in the Save As dialog.",
                  "Please make sure selected files are in the order from Top (first) to Bottom (last)."})
                EXPECT_TRUE(named.contains(QString::fromUtf8(text))) << text;
            QTest::mouseClick(d.quitButton(), Qt::LeftButton);
            EXPECT_FALSE(d.isVisible());
        });
}

TEST(FileWipeCommand, OpensTheModalDialogWithTheViewsServices)
{
    ViewHarness h;
    ASSERT_TRUE(h.enabled(cmd::ID_FILE_WIPE));
    const std::string path = h.dir.write("x.bin", "abc");
    h.fileDialogs.choosePath(path);
    QString title;
    QString shownPath;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<FileWiperDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        QTest::mouseClick(dialog->selectButton(), Qt::LeftButton);
        shownPath = dialog->fileNameEdit()->text();
        QTest::mouseClick(dialog->quitButton(), Qt::LeftButton);
    });
    h.command(cmd::ID_FILE_WIPE);
    EXPECT_EQ(title, "File Wiper (NOT just a simple deleting command) !!!");
    EXPECT_EQ(shownPath.toStdString(), path);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(readAll(path), "abc");
}

}  // namespace
}  // namespace quillory::test
