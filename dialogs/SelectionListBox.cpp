#include "dialogs/SelectionListBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

namespace quillory {

SelectionListBox::SelectionListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::MultiSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Every entry is one line of text: one size for all keeps a list of 100,000 files quick.
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] { onListSelChange(); });
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
    m_longest.clear();
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
    applyExtent();
    m_adjusting = false;
}

void SelectionListBox::addEntries(const QStringList& texts)
{
    for (const QString& text : texts)
        if (text.size() > m_longest.size())
            m_longest = text;
    addItems(texts);
    applyExtent();
}

void SelectionListBox::setHorizontalExtent(int pixels)
{
    m_extent = pixels;
    applyExtent();
}

void SelectionListBox::applyExtent()
{
    // With one size for all entries, the first entry's size is every entry's: it carries the extent.
    if (count() == 0)
        return;
    QListWidgetItem* first = item(0);
    first->setSizeHint(QSize());
    const QSize natural = sizeHintForIndex(model()->index(0, 0));
    const int padding = natural.width() - fontMetrics().horizontalAdvance(first->text());
    const int longest = fontMetrics().horizontalAdvance(m_longest) + padding;
    first->setSizeHint(QSize(std::max({natural.width(), longest, m_extent}), natural.height()));
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

void SelectionListBox::onListSelChange()
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
