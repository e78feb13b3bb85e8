#include "dialogs/SelectionListBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

namespace quillory {

SelectionListBox::SelectionListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::MultiSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] { OnListSelChange(); });
}

std::vector<int> SelectionListBox::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void SelectionListBox::setRowSelected(int row, bool selected)
{
    if (row < 0 || row >= count())
        return;
    m_adjusting = true;
    selectionModel()->select(model()->index(row, 0),
                             selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
    m_adjusting = false;
}

void SelectionListBox::resetContent()
{
    m_adjusting = true;
    clear();
    m_anchor = -1;
    m_adjusting = false;
}

void SelectionListBox::deleteRows(const std::vector<int>& rows)
{
    // The caret moves to a neighbour as its entry goes; that is no range to extend.
    m_adjusting = true;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        delete takeItem(*row);
    m_anchor = -1;
    m_adjusting = false;
}

void SelectionListBox::mousePressEvent(QMouseEvent* event)
{
    // The anchor is known before the click toggles the entry and the selection change arrives.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && !(event->modifiers() & Qt::ShiftModifier))
        m_anchor = index.row();
    QListWidget::mousePressEvent(event);
}

void SelectionListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !(event->modifiers() & Qt::ShiftModifier))
        m_anchor = currentRow();
    QListWidget::keyPressEvent(event);
}

void SelectionListBox::OnListSelChange()
{
    const int caret = caretIndex();
    if (m_adjusting || m_anchor < 0 || m_anchor >= count() || caret < 0 || caret == m_anchor)
        return;
    const bool selected = item(m_anchor)->isSelected();
    const int low = std::min(m_anchor, caret);
    const int high = std::max(m_anchor, caret);
    m_adjusting = true;
    selectionModel()->select(QItemSelection(model()->index(low, 0), model()->index(high, 0)),
                             selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
    m_adjusting = false;
}

}  // namespace quillory
