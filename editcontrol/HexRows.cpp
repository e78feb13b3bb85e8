#include "editcontrol/HexRows.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "base/CodePages.h"
#include "editcore/HexBytes.h"

namespace quillory {

namespace {

constexpr int kMargin = 4;  // px left of the offsets and right of the characters
constexpr char kHexDigits[] = "0123456789ABCDEF";

// A character the characters column can show for byte b: its Windows-1252 glyph, '.' for controls.
QChar glyphOf(std::uint8_t b)
{
    if (b < 0x20 || b == 0x7F)
        return QLatin1Char('.');
    const char16_t c = cp1252ToUnicode(b);
    return c == 0xFFFD ? QChar(QLatin1Char('.')) : QChar(c);
}

}  // namespace

// Where everything of a row is drawn: x in px from the viewport's left.
struct HexRows::Columns {
    int charWidth = 0;
    int lineHeight = 0;
    int ascent = 0;
    int digits = 8;
    int hexLeft = 0;    // the first pair
    int charsLeft = 0;  // the first character
    int right = 0;      // after the last character

    int hexX(int i) const { return hexLeft + (3 * i + (i >= 8 ? 1 : 0)) * charWidth; }
    int charX(int i) const { return charsLeft + i * charWidth; }
};

HexRows::HexRows(QWidget* parent) : QAbstractScrollArea(parent), m_font(QStringLiteral("Courier New"))
{
    m_font.setStyleHint(QFont::Monospace);
    m_font.setPointSize(10);
    viewport()->setFont(m_font);
    setFont(m_font);
    setFocusPolicy(Qt::ClickFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &HexRows::onScrollValue);
}

HexRows::Columns HexRows::columns() const
{
    const QFontMetrics metrics(m_font);
    Columns c;
    c.charWidth = metrics.horizontalAdvance(QLatin1Char('0'));
    c.lineHeight = metrics.lineSpacing();
    c.ascent = metrics.ascent();
    c.digits = hex::offsetDigits(m_size);
    c.hexLeft = kMargin + (c.digits + 2) * c.charWidth;
    c.charsLeft = c.hexX(15) + 4 * c.charWidth;
    c.right = c.charX(16) + kMargin;
    return c;
}

QSize HexRows::sizeHint() const
{
    const Columns c = columns();
    return {c.right + verticalScrollBar()->sizeHint().width() + 2 * frameWidth(), 20 * c.lineHeight};
}

int HexRows::visibleRows() const
{
    return std::max(1, viewport()->height() / columns().lineHeight);
}

void HexRows::setDocumentSize(std::int64_t size)
{
    const bool wider = hex::offsetDigits(size) != hex::offsetDigits(m_size);
    m_size = std::max<std::int64_t>(0, size);
    m_caret = std::min(m_caret, m_size);
    m_anchor = std::min(m_anchor, m_size);
    if (wider)
        updateGeometry();
    setTopRow(m_topRow, false);
}

void HexRows::setSelection(std::int64_t anchor, std::int64_t caret)
{
    m_anchor = std::clamp<std::int64_t>(anchor, 0, m_size);
    m_caret = std::clamp<std::int64_t>(caret, 0, m_size);
    ensureCaretVisible();
    viewport()->update();
}

void HexRows::setPendingNibble(bool pending)
{
    m_pending = pending;
    viewport()->update();
}

void HexRows::scrollToOffset(std::int64_t offset)
{
    setTopRow(std::max<std::int64_t>(0, offset) / 16, false);
}

void HexRows::ensureCaretVisible()
{
    const std::int64_t row = (m_pending && m_caret > 0 ? m_caret - 1 : m_caret) / 16;
    if (row < m_topRow)
        setTopRow(row, false);
    else if (row >= m_topRow + visibleRows())
        setTopRow(row - visibleRows() + 1, false);
}

void HexRows::setTopRow(std::int64_t row, bool byUser)
{
    // The last row may come up to the bottom of the view, not further.
    const std::int64_t top = std::clamp<std::int64_t>(row, 0, std::max<std::int64_t>(0, rowCount() - visibleRows()));
    const bool moved = top != m_topRow;
    m_topRow = top;
    updateScrollBar();
    viewport()->update();
    if (moved && byUser)
        emit scrolledByUser(topOffset());
}

void HexRows::updateScrollBar()
{
    // The scroll bar counts in units that stay below 2^30 rows, so an int never overflows.
    const std::int64_t last = std::max<std::int64_t>(0, rowCount() - visibleRows());
    m_scale = last / (std::int64_t{1} << 30) + 1;
    m_settingScrollBar = true;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, static_cast<int>(last / m_scale));
    bar->setPageStep(std::max(1, static_cast<int>(visibleRows() / m_scale)));
    bar->setValue(static_cast<int>(m_topRow / m_scale));
    m_settingScrollBar = false;
}

void HexRows::onScrollValue(int value)
{
    if (m_settingScrollBar)
        return;
    setTopRow(value >= verticalScrollBar()->maximum() ? rowCount() : std::int64_t{value} * m_scale, true);
}

void HexRows::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    setTopRow(m_topRow, false);
}

std::int64_t HexRows::read(std::int64_t start, std::int64_t count, std::uint8_t* out) const
{
    return m_reader ? std::clamp<std::int64_t>(m_reader(start, count, out), 0, count) : 0;
}

std::vector<std::uint8_t> HexRows::visibleBytes() const
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(visibleRows() + 1) * 16);
    bytes.resize(static_cast<std::size_t>(read(topOffset(), static_cast<std::int64_t>(bytes.size()), bytes.data())));
    return bytes;
}

void HexRows::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    painter.setFont(m_font);
    const Columns c = columns();
    const std::vector<std::uint8_t> bytes = visibleBytes();
    for (int i = 0; i <= visibleRows(); ++i) {
        const std::int64_t row = m_topRow + i;
        if (row >= rowCount())
            break;
        const auto first = static_cast<std::size_t>(i) * 16;
        const int count = first < bytes.size() ? static_cast<int>(std::min<std::size_t>(16, bytes.size() - first)) : 0;
        paintRow(painter, c, row, bytes.data() + std::min(first, bytes.size()), count);
    }
    paintCaret(painter, c);
}

void HexRows::paintRow(QPainter& painter, const Columns& c, std::int64_t row, const std::uint8_t* bytes, int count)
{
    const int y = static_cast<int>(row - m_topRow) * c.lineHeight;
    const int baseline = y + c.ascent;
    const std::int64_t selStart = std::min(m_anchor, m_caret);
    const std::int64_t selEnd = std::max(m_anchor, m_caret);
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    painter.setPen(palette().color(QPalette::PlaceholderText));
    QString offset(c.digits, QLatin1Char('0'));
    for (int d = 0; d < c.digits; ++d)
        offset[c.digits - 1 - d] = QLatin1Char(kHexDigits[((row * 16) >> (4 * d)) & 0xF]);
    painter.drawText(kMargin, baseline, offset);
    for (int i = 0; i < count; ++i) {
        const std::int64_t at = row * 16 + i;
        const bool selected = at >= selStart && at < selEnd;
        if (selected) {
            const QColor highlight = palette().color(group, QPalette::Highlight);
            painter.fillRect(c.hexX(i) - c.charWidth / 2, y, 3 * c.charWidth, c.lineHeight, highlight);
            painter.fillRect(c.charX(i), y, c.charWidth, c.lineHeight, highlight);
        }
        painter.setPen(palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        const char pair[2] = {kHexDigits[bytes[i] >> 4], kHexDigits[bytes[i] & 0xF]};
        painter.drawText(c.hexX(i), baseline, QString::fromLatin1(pair, 2));
        painter.drawText(c.charX(i), baseline, QString(glyphOf(bytes[i])));
    }
}

void HexRows::paintCaret(QPainter& painter, const Columns& c)
{
    // A pending nibble puts the caret under the low digit of the byte before the caret.
    const bool onNibble = m_pending && m_caret > 0;
    const std::int64_t at = onNibble ? m_caret - 1 : m_caret;
    const std::int64_t row = at / 16;
    if (row < m_topRow || row > m_topRow + visibleRows())
        return;
    const int i = static_cast<int>(at % 16);
    const int y = static_cast<int>(row - m_topRow) * c.lineHeight;
    const QColor ink = palette().color(QPalette::Text);
    const int hexX = onNibble ? c.hexX(i) + c.charWidth : c.hexX(i);
    if (hasFocus())
        painter.fillRect(
            onNibble ? QRect(hexX, y + c.lineHeight - 2, c.charWidth, 2) : QRect(hexX - 1, y, 2, c.lineHeight), ink);
    else
        painter.fillRect(QRect(hexX - 1, y, 1, c.lineHeight), palette().color(QPalette::PlaceholderText));
    painter.fillRect(QRect(c.charX(i), y, 1, c.lineHeight),
                     hasFocus() ? palette().color(QPalette::PlaceholderText) : ink);
}

std::int64_t HexRows::offsetAt(QPoint point) const
{
    const Columns c = columns();
    const std::int64_t row = std::clamp<std::int64_t>(m_topRow + point.y() / c.lineHeight, 0, rowCount() - 1);
    int i = 16;
    if (point.x() >= c.charsLeft - c.charWidth) {
        // A click on a character puts the caret before it, as on a hex pair.
        i = std::clamp((point.x() - c.charsLeft) / c.charWidth, 0, 16);
    } else {
        for (int k = 0; k < 16; ++k) {
            if (point.x() < c.hexX(k) + 2 * c.charWidth) {
                i = k;
                break;
            }
        }
    }
    return std::min(row * 16 + i, m_size);
}

QPoint HexRows::pointOf(std::int64_t offset, bool inHex) const
{
    const Columns c = columns();
    const int i = static_cast<int>(offset % 16);
    const int y = static_cast<int>(offset / 16 - m_topRow) * c.lineHeight + c.lineHeight / 2;
    return {inHex ? c.hexX(i) + c.charWidth : c.charX(i) + c.charWidth / 2, y};
}

void HexRows::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const std::int64_t at = offsetAt(event->position().toPoint());
    emit selectRequested(event->modifiers() & Qt::ShiftModifier ? m_anchor : at, at);
}

void HexRows::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        emit selectRequested(m_anchor, offsetAt(event->position().toPoint()));
}

bool HexRows::navigate(const QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const std::int64_t page = std::int64_t{16} * std::max(1, visibleRows() - 1);
    const std::int64_t selStart = std::min(m_anchor, m_caret);
    const std::int64_t selEnd = std::max(m_anchor, m_caret);
    std::int64_t to = m_caret;
    switch (event->key()) {
    case Qt::Key_Left: to = !shift && selStart != selEnd ? selStart : m_caret - 1; break;
    case Qt::Key_Right: to = !shift && selStart != selEnd ? selEnd : m_caret + 1; break;
    case Qt::Key_Up: to = m_caret - 16; break;
    case Qt::Key_Down: to = m_caret + 16; break;
    case Qt::Key_PageUp: to = m_caret - page; break;
    case Qt::Key_PageDown: to = m_caret + page; break;
    case Qt::Key_Home: to = ctrl ? 0 : m_caret - m_caret % 16; break;
    case Qt::Key_End: to = ctrl ? m_size : std::min(m_caret - m_caret % 16 + 16, m_size); break;
    default: return false;
    }
    // Up and Down stop at the first and last rows rather than jumping to an edge.
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && (to < 0 || to > m_size))
        to = m_caret;
    to = std::clamp<std::int64_t>(to, 0, m_size);
    emit selectRequested(shift ? m_anchor : to, to);
    return true;
}

void HexRows::keyPressEvent(QKeyEvent* event)
{
    if (navigate(event))
        return;
    const int key = event->key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete || key == Qt::Key_Insert) {
        if (m_readOnly && key != Qt::Key_Insert)
            emit keyRefused();
        else
            emit editKeyPressed(event);
        return;
    }
    const QString text = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!plain || text.isEmpty() || !text.at(0).isPrint()) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const std::optional<int> digit = hex::digitValue(text.at(0).unicode());
    if (digit && !m_readOnly)
        emit digitTyped(*digit);
    else
        emit keyRefused();
}

void HexRows::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void HexRows::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

QString HexRows::visibleText() const
{
    const std::vector<std::uint8_t> bytes = visibleBytes();
    const int digits = hex::offsetDigits(m_size);
    QStringList lines;
    for (std::size_t first = 0; first < bytes.size(); first += 16) {
        const std::size_t count = std::min<std::size_t>(16, bytes.size() - first);
        lines << QString::fromStdString(
            hex::rowText(topOffset() + static_cast<std::int64_t>(first), {bytes.data() + first, count}, digits));
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace quillory
