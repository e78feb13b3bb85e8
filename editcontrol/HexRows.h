#pragma once
// The rows of the hex pane: sixteen bytes to a row, each row its offset, the bytes' hex pairs in two
// groups of eight and their characters. It keeps no copy of the document: it reads the bytes it
// paints through a reader, a screenful at a time. It shows the caret and the selection it is given
// and asks for new ones (clicks, drags, arrow keys); hex digits and editing keys go to its owner,
// who makes the edits.

#include <QAbstractScrollArea>
#include <QFont>
#include <cstdint>
#include <functional>
#include <vector>

namespace quillory {

class HexRows : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Reads up to count bytes from start into out; returns how many there were.
    using Reader = std::function<std::int64_t(std::int64_t start, std::int64_t count, std::uint8_t* out)>;

    explicit HexRows(QWidget* parent = nullptr);

    void setReader(Reader reader) { m_reader = std::move(reader); }
    // Up to count bytes from start, through the reader; how many there were (0 without one).
    std::int64_t read(std::int64_t start, std::int64_t count, std::uint8_t* out) const;
    // The document holds size bytes now and any of them may have changed: all is painted again.
    void setDocumentSize(std::int64_t size);
    std::int64_t documentSize() const { return m_size; }
    // The selection from anchor to caret (byte offsets); the rows scroll to show the caret.
    void setSelection(std::int64_t anchor, std::int64_t caret);
    std::int64_t caret() const { return m_caret; }
    std::int64_t anchor() const { return m_anchor; }
    // The byte before the caret waits for its low nibble: the caret stands on that nibble.
    void setPendingNibble(bool pending);
    // Read only: digits and editing keys are refused (the owner beeps).
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }

    // The first row in view, as the offset of its first byte.
    std::int64_t topOffset() const { return m_topRow * 16; }
    // Makes the row holding offset the first in view, as far as the end allows.
    void scrollToOffset(std::int64_t offset);
    // Scrolls as little as needed to show the caret's row.
    void ensureCaretVisible();
    // Rows that fit the viewport wholly (at least 1).
    int visibleRows() const;
    // The middle of byte offset's hex pair (inHex) or of its character, in viewport coordinates;
    // offset must be in view.
    QPoint pointOf(std::int64_t offset, bool inHex) const;
    // The rows in view as text, one line each (what assistive technology reads).
    QString visibleText() const;
    QSize sizeHint() const override;

signals:
    // The user asks for this selection (mouse or arrow keys).
    void selectRequested(qint64 anchor, qint64 caret);
    // A hex digit was typed (0 to 15).
    void digitTyped(int digit);
    // Backspace, Delete or Insert was pressed: they edit as in the character display.
    void editKeyPressed(QKeyEvent* event);
    // The user scrolled the rows themselves.
    void scrolledByUser(qint64 topOffset);
    // A key the pane has no use for here (a letter, or an edit while read only).
    void keyRefused();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct Columns;
    Columns columns() const;
    std::int64_t rowCount() const { return m_size / 16 + 1; }  // the caret may stand after the last byte
    void setTopRow(std::int64_t row, bool byUser);
    void updateScrollBar();
    void onScrollValue(int value);
    std::int64_t offsetAt(QPoint point) const;
    // The caret and anchor a navigation key asks for; false for any other key.
    bool navigate(const QKeyEvent* event);
    std::vector<std::uint8_t> visibleBytes() const;
    void paintRow(QPainter& painter, const Columns& c, std::int64_t row, const std::uint8_t* bytes, int count);
    void paintCaret(QPainter& painter, const Columns& c);

    Reader m_reader;
    QFont m_font;
    std::int64_t m_size = 0;
    std::int64_t m_anchor = 0;
    std::int64_t m_caret = 0;
    std::int64_t m_topRow = 0;
    std::int64_t m_scale = 1;  // rows per scroll bar unit
    bool m_pending = false;
    bool m_readOnly = false;
    bool m_settingScrollBar = false;
};

}  // namespace quillory
