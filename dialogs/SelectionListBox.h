#pragma once
// A list in which every click toggles one entry, as a multiple-selection list box works. The entry
// last toggled without Shift is the anchor; whenever the selection changes with the current entry
// (the caret) away from the anchor, every entry between them takes the anchor's state, so a
// Shift-click selects or deselects a whole range.

#include <QListWidget>
#include <vector>

namespace quillory {

class SelectionListBox : public QListWidget {
    Q_OBJECT
public:
    explicit SelectionListBox(QWidget* parent = nullptr);

    int anchorIndex() const { return m_anchor; }
    int caretIndex() const { return currentRow(); }
    // The selected rows in ascending order.
    std::vector<int> selectedRows() const;
    // Selects or deselects one row, leaving anchor and caret where they are.
    void setRowSelected(int row, bool selected);
    // Empties the list; anchor and caret go with the entries.
    void resetContent();
    // Deletes the given rows (ascending); the anchor goes with them.
    void deleteRows(const std::vector<int>& rows);
    // Appends entries; the list scrolls sideways over its horizontal extent, or over its longest
    // entry when that is wider.
    void addEntries(const QStringList& texts);
    // How far, in pixels, the list scrolls sideways.
    void setHorizontalExtent(int pixels);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onListSelChange();

    void applyExtent();

    int m_anchor = -1;         // the entry last toggled without Shift
    int m_extent = 0;          // pixels the list scrolls sideways at least
    QString m_longest;         // the entry with the most characters so far
    bool m_adjusting = false;  // true while the list changes its own selection
};

}  // namespace quillory
