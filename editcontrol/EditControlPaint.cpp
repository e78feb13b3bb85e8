// Painting of the edit control: the visible rows only, each glyph at the x the layout gave it.
#include <QPaintEvent>
#include <QPainter>

#include "editcontrol/EditControl.h"
#include "editcontrol/GlyphTable.h"

namespace quillory {

namespace {

QColor fromColorRef(std::uint32_t c)
{
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

}  // namespace

void EditControl::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), fromColorRef(m_background));
    const int lineHeight = m_glyphs->lineHeight();
    const bool showSelection = !m_selectionHidden && m_model.hasSelection();
    const std::int64_t selStart = showSelection ? m_model.selectionStart() : 0;
    const std::int64_t selEnd = showSelection ? m_model.selectionEnd() : 0;
    std::optional<std::int64_t> row = m_top;
    for (int y = 0; row && y < viewport()->height(); y += lineHeight) {
        if (y + lineHeight > event->rect().top() && y < event->rect().bottom() + 1)
            paintRow(painter, *row, y, selStart, selEnd);
        row = m_layout.nextRow(*row);
    }
    if (!m_preedit.isEmpty()) {
        const QRect caret = caretRect();
        if (!caret.isNull()) {
            QFont font = m_glyphs->font();
            font.setUnderline(true);
            painter.setFont(font);
            const QRect box = painter.fontMetrics().boundingRect(m_preedit).translated(caret.x(), 0);
            painter.fillRect(QRect(caret.x(), caret.y(), box.width() + 2, caret.height()), fromColorRef(m_background));
            painter.setPen(palette().color(QPalette::Text));
            painter.drawText(QPoint(caret.x(), caret.y() + m_glyphs->ascent()), m_preedit);
        }
    }
    if (hasFocus() && m_caretOn) {
        // The caret takes the text's colour, so it shows on any background the user picks.
        const QRect caret = caretRect();
        QColor ink =
            (m_format.effects & kEffectAutoColor) ? palette().color(QPalette::Text) : fromColorRef(m_format.textColor);
        if (!caret.isNull()) {
            if (m_overwrite) {
                ink.setAlpha(100);
                painter.fillRect(caret, ink);
            } else {
                painter.fillRect(caret.adjusted(0, 0, -caret.width() + 2, 0), ink);
            }
        }
    }
}

// The part of a row that can be seen, with its bytes and where they start and end.
struct EditControl::VisibleRow {
    std::int64_t start = 0;  // the row
    std::int64_t end = 0;
    std::int64_t first = 0;               // the first byte that can be seen
    std::int64_t last = 0;                // the byte after the last one
    std::int64_t x = 0;                   // first's x from the row's start, 1/64 px
    std::int64_t xLast = 0;               // last's
    const std::uint8_t* bytes = nullptr;  // the text from first on
    std::int64_t readable = 0;            // bytes readable there
    std::string scratch;                  // holds them when the text's gap splits them
};

WrapLayout::Step EditControl::stepIn(const VisibleRow& row, std::int64_t pos, std::int64_t atX) const
{
    return m_layout.step(row.bytes + (pos - row.first), row.readable - (pos - row.first), atX);
}

void EditControl::findVisiblePart(VisibleRow& row)
{
    row.end = m_layout.rowEnd(row.start);
    // The first byte that can be seen: far into a long unwrapped line, found from checkpoints.
    row.first = row.start;
    row.x = 0;
    if (m_xOffset > 0) {
        row.first = std::max(row.start, m_model.prevChar(m_layout.posAtX(row.start, m_xOffset * 64)));
        row.x = m_layout.xOf(row.start, row.first);
    }
    const std::int64_t window = std::min<std::int64_t>(row.end - row.first, std::int64_t{64} * 1024);
    // The last character may run up to three bytes past the window in UTF-8.
    row.readable = std::min<std::int64_t>(row.end - row.first, window + 3);
    row.bytes = m_model.text().span(row.first, row.readable, row.scratch);
    const std::int64_t visibleEnd = (m_xOffset + viewport()->width()) * 64;
    row.last = row.first;
    row.xLast = row.x;
    while (row.last < row.first + window && row.xLast <= visibleEnd) {
        const WrapLayout::Step s = stepIn(row, row.last, row.xLast);
        row.xLast += s.advance;
        row.last += s.length;
    }
}

std::pair<std::int64_t, std::int64_t> EditControl::selectionSpan(const VisibleRow& row, std::int64_t selStart,
                                                                 std::int64_t selEnd)
{
    // The selected part of the row, plus a space's width when the break is selected.
    const std::int64_t a = std::clamp(selStart, row.first, row.last);
    const std::int64_t b = std::clamp(selEnd, row.first, row.last);
    std::int64_t x0 = 0;
    std::int64_t x1 = 0;
    if (selStart < selEnd && a < b) {
        x0 = m_layout.xOf(row.start, a);
        x1 = x0;
        for (std::int64_t i = a; i < b;) {
            const WrapLayout::Step s = stepIn(row, i, x1);
            x1 += s.advance;
            i += s.length;
        }
    }
    const bool breakSelected = selStart <= row.end && selEnd > row.end && row.last == row.end;
    if (breakSelected) {
        if (a == b)
            x0 = x1 = m_layout.xOf(row.start, std::max(selStart, row.end));
        x1 += std::int64_t{m_glyphs->spaceWidth()} * 64;
    }
    return {x0, x1};
}

void EditControl::paintRow(QPainter& painter, std::int64_t rowStart, int y, std::int64_t selStart, std::int64_t selEnd)
{
    VisibleRow row;
    row.start = rowStart;
    findVisiblePart(row);
    const std::int64_t originX = (std::int64_t{textLeft()} - m_xOffset) * 64;
    const auto [selX0, selX1] = selectionSpan(row, selStart, selEnd);
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    if (selX1 > selX0) {
        const QRect rect(static_cast<int>((originX + selX0) / 64), y, static_cast<int>((selX1 - selX0) / 64),
                         m_glyphs->lineHeight());
        painter.fillRect(rect, palette().color(group, QPalette::Highlight));
    }
    // Glyphs in up to three runs: before, inside and after the selection.
    const QColor textColor =
        (m_format.effects & kEffectAutoColor) ? palette().color(QPalette::Text) : fromColorRef(m_format.textColor);
    const QColor background = fromColorRef(m_background);
    const QColor selectedColor = palette().color(group, QPalette::HighlightedText);
    const QColor selectedBackground = palette().color(group, QPalette::Highlight);
    struct Run {
        std::int64_t end;
        QColor ink;
        QColor paper;
    };
    const std::int64_t a = std::clamp(selStart, row.first, row.last);
    const std::int64_t b = std::clamp(selEnd, row.first, row.last);
    const int baseline = y + m_glyphs->ascent();
    std::int64_t runX = originX + row.x;
    std::int64_t pos = row.first;
    for (const Run& r : {Run{a, textColor, background}, Run{b, selectedColor, selectedBackground},
                         Run{row.last, textColor, background}}) {
        if (r.end <= pos)
            continue;
        const std::uint8_t* bytes = row.bytes + (pos - row.first);
        if (encoding() == TextEncoding::Utf8)
            m_glyphs->drawUtf8(painter, bytes, r.end - pos, runX - originX, originX / 64.0, baseline, r.ink, r.paper);
        else
            m_glyphs->drawBytes(painter, bytes, r.end - pos, runX - originX, originX / 64.0, baseline, r.ink, r.paper);
        for (; pos < r.end;) {
            const WrapLayout::Step s = stepIn(row, pos, runX - originX);
            runX += s.advance;
            pos += s.length;
        }
    }
    if (!m_wordWrap)
        noteRowWidth(row);
}

void EditControl::noteRowWidth(const VisibleRow& row)
{
    // The row's full width; a row too long to measure now is estimated from its length.
    std::int64_t width = row.xLast;
    if (row.last < row.end)
        width = row.end - row.start <= WrapLayout::kLongLine ? m_layout.xOf(row.start, row.end)
                                                             : (row.end - row.start) * m_layout.advances().advance['x'];
    m_widestRow = std::max(m_widestRow, width / 64);
}

}  // namespace quillory
