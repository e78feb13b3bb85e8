#include "editcontrol/widget/PrintLayout.h"

#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>

#include "editcontrol/core/ByteCodec.h"
#include "editcontrol/widget/GlyphTable.h"

namespace quillory {

PrintLayout::PrintLayout(const TextBuffer& text, const QFont& font, QPaintDevice* device, const QRectF& pageRect,
                         const MarginsTwips& margins)
    : m_text(text), m_glyphs(std::make_unique<GlyphTable>(font, device)), m_layout(text)
{
    const double dpiX = device ? device->logicalDpiX() : 96.0;
    const double dpiY = device ? device->logicalDpiY() : 96.0;
    m_textRect = pageRect.adjusted(margins.left * dpiX / 1440.0, margins.top * dpiY / 1440.0,
                                   -margins.right * dpiX / 1440.0, -margins.bottom * dpiY / 1440.0);
    if (m_textRect.width() < 1 || m_textRect.height() < 1)
        m_textRect = pageRect;
    m_layout.setAdvances(m_glyphs->advances());
    m_layout.setWrapWidth(static_cast<std::int64_t>(m_textRect.width() * 64));
    m_rowsPerPage = std::max(1, static_cast<int>(m_textRect.height()) / m_glyphs->lineHeight());
}

PrintLayout::~PrintLayout() = default;

int PrintLayout::paginate()
{
    m_pageStarts.assign(1, 0);
    std::optional<std::int64_t> row = 0;
    int rows = 0;
    while ((row = m_layout.nextRow(*row))) {
        if (++rows == m_rowsPerPage) {
            m_pageStarts.push_back(*row);
            rows = 0;
        }
    }
    return pageCount();
}

std::int64_t PrintLayout::pageEnd(int page) const
{
    return page + 1 < pageCount() ? m_pageStarts[static_cast<std::size_t>(page) + 1] : m_text.size();
}

void PrintLayout::drawPage(QPainter& painter, int page)
{
    if (page < 0 || page >= pageCount())
        return;
    const ByteCodec& codec = byteCodec();
    painter.save();
    painter.setFont(m_glyphs->font());
    std::optional<std::int64_t> row = m_pageStarts[static_cast<std::size_t>(page)];
    std::string scratch;
    for (int i = 0; i < m_rowsPerPage && row; ++i, row = m_layout.nextRow(*row)) {
        const std::int64_t end = m_layout.rowEnd(*row);
        const std::uint8_t* bytes = m_text.span(*row, end - *row, scratch);
        const double baseline = m_textRect.top() + i * m_glyphs->lineHeight() + m_glyphs->ascent();
        QList<quint32> glyphs;
        QList<QPointF> positions;
        std::int64_t x = 0;
        for (std::int64_t k = 0; k < end - *row; ++k) {
            const std::uint8_t b = bytes[k];
            const QPointF at(m_textRect.left() + static_cast<double>(x) / 64.0, baseline);
            if (GlyphTable::isControlSymbol(b) && b != '\t') {
                m_glyphs->drawControlSymbol(painter, at.x(), baseline - m_glyphs->ascent(),
                                            m_layout.advanceAt(b, x) / 64.0, b, Qt::black, Qt::white);
            } else if (b != '\t') {
                if (const std::uint32_t glyph = m_glyphs->glyph(b)) {
                    glyphs.push_back(glyph);
                    positions.push_back(at);
                } else {
                    const char32_t c = codec.displayChar(b);
                    painter.drawText(at, QString::fromUcs4(&c, 1));
                }
            }
            x += m_layout.advanceAt(b, x);
        }
        if (!glyphs.isEmpty()) {
            QGlyphRun run;
            run.setRawFont(m_glyphs->rawFont());
            run.setGlyphIndexes(glyphs);
            run.setPositions(positions);
            run.setUnderline(m_glyphs->font().underline());
            run.setStrikeOut(m_glyphs->font().strikeOut());
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
    }
    painter.restore();
}

}  // namespace quillory
