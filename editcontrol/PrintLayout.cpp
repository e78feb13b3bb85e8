#include "editcontrol/PrintLayout.h"

#include <QPaintDevice>
#include <QPainter>

#include "editcontrol/GlyphTable.h"

namespace quillory {

PrintLayout::PrintLayout(const TextBuffer& text, const QFont& font, QPaintDevice* device, const QRectF& pageRect,
                         const MarginsTwips& margins, TextEncoding encoding)
    : m_text(text), m_glyphs(std::make_unique<GlyphTable>(font, device)), m_layout(text)
{
    const double dpiX = device ? device->logicalDpiX() : 96.0;
    const double dpiY = device ? device->logicalDpiY() : 96.0;
    m_textRect = pageRect.adjusted(margins.left * dpiX / 1440.0, margins.top * dpiY / 1440.0,
                                   -margins.right * dpiX / 1440.0, -margins.bottom * dpiY / 1440.0);
    if (m_textRect.width() < 1 || m_textRect.height() < 1)
        m_textRect = pageRect;
    m_layout.setAdvances(m_glyphs->advances());
    m_layout.setEncoding(encoding);
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
    std::optional<std::int64_t> row = m_pageStarts[static_cast<std::size_t>(page)];
    std::string scratch;
    for (int i = 0; i < m_rowsPerPage && row; ++i, row = m_layout.nextRow(*row)) {
        const std::int64_t end = m_layout.rowEnd(*row);
        const std::uint8_t* bytes = m_text.span(*row, end - *row, scratch);
        const double baseline = m_textRect.top() + i * m_glyphs->lineHeight() + m_glyphs->ascent();
        if (m_layout.encoding() == TextEncoding::Utf8)
            m_glyphs->drawUtf8(painter, bytes, end - *row, 0, m_textRect.left(), baseline, Qt::black, Qt::white);
        else
            m_glyphs->drawBytes(painter, bytes, end - *row, 0, m_textRect.left(), baseline, Qt::black, Qt::white);
    }
}

}  // namespace quillory
