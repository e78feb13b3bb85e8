#include "dialogs/DirectoryTree.h"

#include <QFile>
#include <QHeaderView>

#include "dialogs/FolderIcons.h"

namespace quillory {

namespace {

// Items keep their name's bytes: a file name need not be valid text.
constexpr int kNameRole = Qt::UserRole;
// Set once an item's subdirectories were read.
constexpr int kReadRole = Qt::UserRole + 1;

QTreeWidgetItem* makeItem(const std::string& name)
{
    auto* item = new QTreeWidgetItem;
    const QByteArray bytes = QByteArray::fromStdString(name);
    item->setText(0, QFile::decodeName(bytes));
    item->setData(0, kNameRole, bytes);
    item->setIcon(0, closedFolderIcon());
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

std::string nameOf(const QTreeWidgetItem* item)
{
    return item->data(0, kNameRole).toByteArray().toStdString();
}

}  // namespace

DirectoryTree::DirectoryTree(DotDirectories rule, QWidget* parent) : QTreeWidget(parent), m_rule(rule)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setRootIsDecorated(true);
    setDragEnabled(false);
    // Folder names can be long; they scroll sideways instead of being cut.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current != nullptr && onSelectionChanged)
            onSelectionChanged(pathOf(current));
    });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { onTreeDblClk(item); });
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        readOnce(item);
        onTreeItemExpanded(item, true);
    });
    connect(this, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { onTreeItemExpanded(item, false); });
}

void DirectoryTree::fillTree(const std::string& root)
{
    clear();
    QTreeWidgetItem* top = makeItem(root);
    addTopLevelItem(top);
    addSubdirectories(top, root);
    top->setExpanded(true);
    setCurrentItem(top);
}

void DirectoryTree::addSubdirectories(QTreeWidgetItem* parent, const std::string& dir)
{
    QList<QTreeWidgetItem*> children;
    for (const std::string& name : listSubdirectories(dir, m_rule))
        children.append(makeItem(name));
    parent->setData(0, kReadRole, true);
    parent->addChildren(children);
    if (children.isEmpty())
        parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void DirectoryTree::readOnce(QTreeWidgetItem* item)
{
    // Read once: a folder whose children were read keeps them until the tree is rebuilt.
    if (item != nullptr && !item->data(0, kReadRole).toBool())
        addSubdirectories(item, pathOf(item));
}

bool DirectoryTree::selectFolder(const std::string& path)
{
    QTreeWidgetItem* item = childNamed(nullptr, "");
    if (item == nullptr)
        return false;
    const std::string root = pathOf(item);
    std::string rest = path;
    if (rest.empty() || rest.back() != '/')
        rest += '/';
    if (rest.compare(0, root.size(), root) != 0)
        return false;
    rest.erase(0, root.size());
    for (std::size_t start = 0; start < rest.size();) {
        const std::size_t slash = rest.find('/', start);
        const std::string name = rest.substr(start, slash - start);
        start = slash + 1;
        if (name.empty() || name == ".")
            continue;
        readOnce(item);
        item = childNamed(item, name);
        if (item == nullptr)
            return false;
        item->parent()->setExpanded(true);
    }
    setCurrentItem(item);
    scrollToItem(item);
    return true;
}

std::string DirectoryTree::pathOf(const QTreeWidgetItem* item) const
{
    std::vector<const QTreeWidgetItem*> chain;
    for (; item != nullptr; item = item->parent())
        chain.push_back(item);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += nameOf(*it);
        if (path.empty() || path.back() != '/')
            path += '/';
    }
    return path;
}

QTreeWidgetItem* DirectoryTree::childNamed(QTreeWidgetItem* parent, const std::string& name) const
{
    if (parent == nullptr)
        return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr;
    for (int i = 0; i < parent->childCount(); ++i)
        if (nameOf(parent->child(i)) == name)
            return parent->child(i);
    return nullptr;
}

void DirectoryTree::onTreeDblClk(QTreeWidgetItem* item)
{
    // The tree's own double-click handling expands the item afterwards.
    readOnce(item);
}

void DirectoryTree::onTreeItemExpanded(QTreeWidgetItem* item, bool expanded)
{
    item->setIcon(0, expanded ? openFolderIcon() : closedFolderIcon());
}

}  // namespace quillory
