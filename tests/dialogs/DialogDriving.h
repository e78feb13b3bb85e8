#pragma once
// Clicks on items of trees and lists as a user makes them, and running a modal dialog that a
// command opens.

#include <QAbstractItemView>
#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

namespace quillory::test {

inline QPoint centreOf(QAbstractItemView& view, const QModelIndex& index)
{
    view.scrollTo(index);
    return view.visualRect(index).center();
}

inline void clickItem(QTreeWidget& tree, QTreeWidgetItem* item)
{
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, centreOf(tree, tree.indexFromItem(item)));
}

inline void doubleClickItem(QTreeWidget& tree, QTreeWidgetItem* item)
{
    const QPoint at = centreOf(tree, tree.indexFromItem(item));
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, at);
}

inline void clickRow(QListWidget& list, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, centreOf(list, list.model()->index(row, 0)));
}

inline QStringList texts(const QListWidget& list)
{
    QStringList result;
    for (int row = 0; row < list.count(); ++row)
        result << list.item(row)->text();
    return result;
}

inline QStringList childTexts(const QTreeWidgetItem* item)
{
    QStringList result;
    for (int i = 0; i < item->childCount(); ++i)
        result << item->child(i)->text(0);
    return result;
}

// Runs `open` (a command that shows a modal dialog of type Dialog) and acts on the dialog once it
// is up; a dialog the actions leave open is closed, so a failed check never hangs the test.
template <typename Dialog>
void withModalDialog(const std::function<void()>& open, const std::function<void(Dialog&)>& act)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        seen = true;
        act(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    open();
    EXPECT_TRUE(seen) << "no modal dialog of the expected kind";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace quillory::test
