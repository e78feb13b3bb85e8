#include "editcontrol/GlyphTable.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <cmath>

#include "editcore/ByteCodec.h"

namespace quillory {

GlyphTable::GlyphTable(const QFont& font, QPaintDevice* device)
    : m_font(device ? QFont(font, device) : font)
{
    const QFontMetricsF metrics = device ? QFontMetricsF(m_font, device) : QFontMetricsF(m_font);
    m_raw = QRawFont::fromFont(m_font);
    const ByteCodec& codec = byteCodec();
    for (int b = 0; b < 256; ++b) {
        const char32_t c = codec.displayChar(static_cast<std::uint8_t>(b));
        const QString s = QString::fromUcs4(&c, 1);
        // Advances are whole pixels so that glyphs sit on the pixel grid and caret and glyph agree.
        m_advances.advance[b] = 64 * std::max(1, static_cast<int>(std::lround(metrics.horizontalAdvance(s))));
        if (isControlSymbol(static_cast<std::uint8_t>(b)))
            continue;
        if (m_raw.isValid() && m_raw.supportsCharacter(QChar(static_cast<char16_t>(c))) && c < 0x10000) {
            const QList<quint32> glyphs = m_raw.glyphIndexesForString(s);
            m_glyphs[b] = glyphs.isEmpty() ? 0 : glyphs.first();
        }
    }
    // In a fixed-pitch font every byte takes one cell, even one drawn from a fallback font.
    if (QFontInfo(m_font).fixedPitch())
        m_advances.advance.fill(m_advances.advance['x']);
    m_advances.tabInterval = 8 * m_advances.advance[' '];
    m_advances.finish();
    m_ascent = static_cast<int>(std::ceil(metrics.ascent()));
    m_lineHeight = std::max(1, static_cast<int>(std::ceil(metrics.ascent()) + std::ceil(metrics.descent())));
    m_symbolFont = m_font;
    m_symbolFont.setUnderline(false);
    m_symbolFont.setStrikeOut(false);
    m_symbolFont.setBold(true);
    m_symbolFont.setPointSizeF(std::max(1.0, m_font.pointSizeF() * 0.7));
    m_cacheSymbols = device == nullptr;
}

void GlyphTable::drawControlSymbol(QPainter& painter, double x, double rowTop, double width, std::uint8_t b,
                                   const QColor& ink, const QColor& paper) const
{
    if (m_cacheSymbols) {
        // A binary file shows thousands of these: render each kind once, then copy it.
        const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        const SymbolKey key{b, ink.rgba(), paper.rgba(), static_cast<int>(width * 64), static_cast<int>(ratio * 100)};
        auto it = m_symbols.find(key);
        if (it == m_symbols.end()) {
            QPixmap pixmap(QSize(static_cast<int>(std::ceil(width)), m_lineHeight) * ratio);
            pixmap.setDevicePixelRatio(ratio);
            pixmap.fill(Qt::transparent);
            QPainter p(&pixmap);
            paintControlSymbol(p, QRectF(0.5, 1, std::max(1.0, width - 1), std::max(1, m_lineHeight - 2)), b, ink,
                               paper);
            p.end();
            if (m_symbols.size() > 1024)
                m_symbols.clear();
            it = m_symbols.emplace(key, pixmap).first;
        }
        painter.drawPixmap(QPointF(x, rowTop), it->second);
        return;
    }
    paintControlSymbol(painter, QRectF(x + 0.5, rowTop + 1, std::max(1.0, width - 1), std::max(1, m_lineHeight - 2)),
                       b, ink, paper);
}

void GlyphTable::paintControlSymbol(QPainter& painter, const QRectF& cell, std::uint8_t b, const QColor& ink,
                                    const QColor& paper) const
{
    painter.fillRect(cell, ink);
    const char letter = b == 0x7F ? '?' : static_cast<char>(b + 0x40);
    painter.save();
    painter.setPen(paper);
    painter.setFont(m_symbolFont);
    painter.drawText(cell, Qt::AlignCenter, QString(QChar(letter)));
    painter.restore();
}


void GlyphTable::drawBytes(QPainter& painter, const std::uint8_t* bytes, std::int64_t count, std::int64_t x,
                           double originX, double baseline, const QColor& ink, const QColor& paper) const
{
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(count);
    positions.reserve(count);
    painter.save();
    painter.setPen(ink);
    painter.setFont(m_font);
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        const std::int32_t advance = m_advances.at(b, x);
        const double left = originX + static_cast<double>(x) / 64.0;
        if (b == '\t') {
            // blank up to the tab stop
        } else if (isControlSymbol(b)) {
            drawControlSymbol(painter, left, baseline - m_ascent, advance / 64.0, b, ink, paper);
        } else if (const std::uint32_t glyph = m_glyphs[b]) {
            glyphs.push_back(glyph);
            positions.push_back(QPointF(left, baseline));
        } else {
            // Characters the font lacks come through Qt's font fallback, at the same place.
            const char32_t c = byteCodec().displayChar(b);
            painter.drawText(QPointF(left, baseline), QString::fromUcs4(&c, 1));
        }
        x += advance;
    }
    if (!glyphs.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(m_raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        run.setUnderline(m_font.underline());
        run.setStrikeOut(m_font.strikeOut());
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    painter.restore();
}

}  // namespace quillory
