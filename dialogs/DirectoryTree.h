#pragma once
// The directory tree of one drive, filled lazily: the top item is the drive's root; each folder's
// subdirectories are read when the folder is double-clicked or expanded for the first time. A
// folder not yet read shows an expand indicator (it may have subfolders); one read and found
// without any shows none. Expanded folders show the open folder image. The Split/Join and Startup Options
// dialogs share it; they differ in which names beginning with a dot are shown.

#include <QTreeWidget>
#include <functional>
#include <string>

#include "splitjoin/DirectoryListing.h"

namespace quillory {

class DirectoryTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirectoryTree(DotDirectories rule, QWidget* parent = nullptr);

    // Rebuilds the tree for the drive whose root folder is root ("/" or "/home/"): the top item,
    // its first level of subdirectories, expanded, then the top item selected.
    void fillTree(const std::string& root);

    // Selects the folder at path (ending in '/' or not) below the tree's root, reading and
    // expanding the folders on the way, and scrolls it into view. False (selection unchanged) when
    // path is not below the root or a folder on the way is not listed.
    bool selectFolder(const std::string& path);

    // The folder of item: the top item's root, then the names down to item, each followed by '/'.
    std::string pathOf(const QTreeWidgetItem* item) const;

    // The child of parent (the top item when parent is null) named name; null when there is none.
    QTreeWidgetItem* childNamed(QTreeWidgetItem* parent, const std::string& name) const;

    // Told the selected folder's path after every change of the selection.
    std::function<void(const std::string& path)> onSelectionChanged;

private:
    // Inserts the subdirectories of dir under parent, in list order, with the closed image.
    void addSubdirectories(QTreeWidgetItem* parent, const std::string& dir);
    // Reads item's subdirectories unless they were read before.
    void readOnce(QTreeWidgetItem* item);
    void onTreeDblClk(QTreeWidgetItem* item);
    void onTreeItemExpanded(QTreeWidgetItem* item, bool expanded);

    DotDirectories m_rule;  // which dot-names the tree shows
};

}  // namespace quillory
