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
            (m_format.dwEffects & CFE_AUTOCOLOR) ? palette().color(QPalette::Text) : fromColorRef(m_format.crTextColor);
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

void EditControl::paintRow(QPainter& painter, std::int64_t rowStart, int y, std::int64_t selStart, std::int64_t selEnd)
{
    const TextBuffer& text = m_model.text();
    const std::int64_t rowEnd = m_layout.rowEnd(rowStart);
    const int viewWidth = viewport()->width();
    // The first byte that can be seen: far into a long unwrapped line, found from checkpoints.
    std::int64_t first = rowStart;
    std::int64_t x = 0;  // 1/64 px from the row's start
    if (m_xOffset > 0) {
        first = std::max(rowStart, m_model.prevChar(m_layout.posAtX(rowStart, m_xOffset * 64)));
        x = m_layout.xOf(rowStart, first);
    }
    const std::int64_t visibleEnd = (m_xOffset + viewWidth) * 64;
    std::int64_t last = first;
    std::int64_t xLast = x;
    std::string scratch;
    const std::int64_t window = std::min<std::int64_t>(rowEnd - first, 64 * 1024);
    // The last character may run up to three bytes past the window in UTF-8.
    const std::int64_t readable = std::min<std::int64_t>(rowEnd - first, window + 3);
    const std::uint8_t* bytes = text.span(first, readable, scratch);
    const auto step = [&](std::int64_t pos, std::int64_t atX) {
        return m_layout.step(bytes + (pos - first), readable - (pos - first), atX);
    };
    while (last < first + window && xLast <= visibleEnd) {
        const WrapLayout::Step s = step(last, xLast);
        xLast += s.advance;
        last += s.length;
    }
    const std::int64_t originX = (std::int64_t{textLeft()} - m_xOffset) * 64;
    const QColor textColor =
        (m_format.dwEffects & CFE_AUTOCOLOR) ? palette().color(QPalette::Text) : fromColorRef(m_format.crTextColor);
    const int baseline = y + m_glyphs->ascent();

    // Selection: the selected part of the row, plus a space's width when the break is selected.
    const std::int64_t a = std::clamp(selStart, first, last);
    const std::int64_t b = std::clamp(selEnd, first, last);
    std::int64_t selX0 = 0;
    std::int64_t selX1 = 0;
    if (selStart < selEnd && a < b) {
        selX0 = m_layout.xOf(rowStart, a);
        selX1 = selX0;
        for (std::int64_t i = a; i < b;) {
            const WrapLayout::Step s = step(i, selX1);
            selX1 += s.advance;
            i += s.length;
        }
    }
    const bool breakSelected = selStart <= rowEnd && selEnd > rowEnd && last == rowEnd;
    if (breakSelected) {
        if (a == b)
            selX0 = selX1 = m_layout.xOf(rowStart, std::max(selStart, rowEnd));
        selX1 += std::int64_t{m_glyphs->spaceWidth()} * 64;
    }
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    if (selX1 > selX0) {
        const QRect rect(static_cast<int>((originX + selX0) / 64), y, static_cast<int>((selX1 - selX0) / 64),
                         m_glyphs->lineHeight());
        painter.fillRect(rect, palette().color(group, QPalette::Highlight));
    }
    // Glyphs in up to three runs: before, inside and after the selection.
    const QColor selectedColor = palette().color(group, QPalette::HighlightedText);
    std::int64_t runX = originX + x;
    std::int64_t pos = first;
    const QColor background = fromColorRef(m_background);
    const QColor selectedBackground = palette().color(group, QPalette::Highlight);
    struct Run {
        std::int64_t end;
        QColor ink;
        QColor paper;
    };
    for (const Run& r :
         {Run{a, textColor, background}, Run{b, selectedColor, selectedBackground}, Run{last, textColor, background}}) {
        const std::int64_t runEnd = r.end;
        if (runEnd <= pos)
            continue;
        if (encoding() == TextEncoding::Utf8)
            m_glyphs->drawUtf8(painter, bytes + (pos - first), runEnd - pos, runX - originX, originX / 64.0, baseline,
                               r.ink, r.paper);
        else
            m_glyphs->drawBytes(painter, bytes + (pos - first), runEnd - pos, runX - originX, originX / 64.0, baseline,
                                r.ink, r.paper);
        while (pos < runEnd) {
            const WrapLayout::Step s = step(pos, runX - originX);
            runX += s.advance;
            pos += s.length;
        }
    }
    if (!m_wordWrap) {
        // The row's full width; a row too long to measure now is estimated from its length.
        std::int64_t width = xLast;
        if (last < rowEnd)
            width = rowEnd - rowStart <= WrapLayout::kLongLine ? m_layout.xOf(rowStart, rowEnd)
                                                               : (rowEnd - rowStart) * m_layout.advances().advance['x'];
        m_widestRow = std::max(m_widestRow, width / 64);
    }
}

}  // namespace quillory
