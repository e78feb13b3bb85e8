#pragma once
// The control's text laid out for printed pages: the printable area of a page minus margins in
// twips, the control's font measured for the printer, rows wrapped at the page width, split into
// pages. Used by Print and Print Preview.

#include <QFont>
#include <QMarginsF>
#include <QRectF>
#include <cstdint>
#include <memory>
#include <vector>

#include "editcore/TextBuffer.h"
#include "editcore/WrapLayout.h"

class QPainter;
class QPaintDevice;

namespace quillory {

class GlyphTable;

// Margins of the printed text, in twips (1/1440 inch).
struct MarginsTwips {
    int left = 720;
    int top = 720;
    int right = 720;
    int bottom = 720;
};

class PrintLayout {
public:
    // pageRect: the whole page in device pixels (for a QPrinter its paper rectangle in
    // QPrinter::DevicePixel); margins are measured from its edges.
    // encoding: how the text's bytes read as characters.
    PrintLayout(const TextBuffer& text, const QFont& font, QPaintDevice* device, const QRectF& pageRect,
                const MarginsTwips& margins, TextEncoding encoding = TextEncoding::Windows1252);
    ~PrintLayout();

    // Splits the text into pages; returns how many (at least 1).
    int paginate();
    int pageCount() const { return static_cast<int>(m_pageStarts.size()); }
    // The byte range shown on page (0-based).
    std::int64_t pageStart(int page) const { return m_pageStarts[static_cast<std::size_t>(page)]; }
    std::int64_t pageEnd(int page) const;
    // Draws page on a painter bound to the device.
    void drawPage(QPainter& painter, int page);
    // The rectangle the text is laid out in, device pixels.
    QRectF textRect() const { return m_textRect; }
    int rowsPerPage() const { return m_rowsPerPage; }

private:
    const TextBuffer& m_text;
    std::unique_ptr<GlyphTable> m_glyphs;    // the font measured for the device
    WrapLayout m_layout;                     // rows at the page width
    QRectF m_textRect;                       // page minus margins
    int m_rowsPerPage = 1;                   // whole rows that fit the text rectangle
    std::vector<std::int64_t> m_pageStarts;  // first row's start of every page
};

}  // namespace quillory
