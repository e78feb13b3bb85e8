#include "editcontrol/GlyphTable.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QTextLayout>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "editcore/ByteCodec.h"
#include "editcore/Utf8.h"

namespace quillory {

namespace {

// Advances of characters beyond ASCII in a proportional font, each measured once.
class MeasuredCharacters final : public CharacterAdvances {
public:
    MeasuredCharacters(const QFont& font, QPaintDevice* device, std::int32_t zeroWidth)
        : m_metrics(device ? QFontMetricsF(font, device) : QFontMetricsF(font)), m_zeroWidth(zeroWidth)
    {}
    std::int32_t advanceOf(char32_t cp) const override
    {
        if (cp < 0x10000) {
            if (m_bmp.empty())
                m_bmp.assign(0x10000, 0);
            std::int32_t& known = m_bmp[cp];
            if (known == 0)
                known = measure(cp);
            return known;
        }
        auto it = m_astral.find(cp);
        if (it == m_astral.end())
            it = m_astral.emplace(cp, measure(cp)).first;
        return it->second;
    }

private:
    // Whole pixels, as for bytes; a character without width of its own (a combining mark) still
    // gets a cell the caret can stand beside.
    std::int32_t measure(char32_t cp) const
    {
        const long px = std::lround(m_metrics.horizontalAdvance(QString::fromUcs4(&cp, 1)));
        return px < 1 ? m_zeroWidth : static_cast<std::int32_t>(64 * px);
    }

    QFontMetricsF m_metrics;
    std::int32_t m_zeroWidth;                                     // advance of a character without width
    mutable std::vector<std::int32_t> m_bmp;                      // by code point, 0: not measured yet
    mutable std::unordered_map<char32_t, std::int32_t> m_astral;  // beyond the basic plane
};

// C1 controls have no glyph: they are shown like bytes outside UTF-8.
bool isUndrawable(char32_t cp)
{
    return cp >= 0x80 && cp < 0xA0;
}

}  // namespace

GlyphTable::GlyphTable(const QFont& font, QPaintDevice* device) : m_font(device ? QFont(font, device) : font)
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
    m_invalidFont = m_symbolFont;
    m_invalidFont.setBold(false);
    m_invalidFont.setPointSizeF(std::max(1.0, m_font.pointSizeF() * 0.55));
    if (!m_advances.fixedPitch)
        m_advances.characters = std::make_shared<MeasuredCharacters>(m_font, device, m_advances.advance[' ']);
}

GlyphTable::GlyphRef GlyphTable::glyphOf(char32_t cp) const
{
    const auto known = m_characterGlyphs.find(cp);
    if (known != m_characterGlyphs.end())
        return known->second;
    GlyphRef ref;
    const QString s = QString::fromUcs4(&cp, 1);
    if (m_raw.isValid() && m_raw.supportsCharacter(static_cast<uint>(cp))) {
        const QList<quint32> glyphs = m_raw.glyphIndexesForString(s);
        if (!glyphs.isEmpty() && glyphs.first() != 0)
            ref = {0, glyphs.first()};
    }
    if (ref.font < 0) {
        // The font lacks it: the glyph Qt's own font fallback picks, laid out once.
        QTextLayout layout(s, m_font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        if (runs.size() == 1 && runs.first().glyphIndexes().size() == 1 && runs.first().glyphIndexes().first() != 0) {
            const QRawFont raw = runs.first().rawFont();
            auto it = std::find(m_fallbacks.begin(), m_fallbacks.end(), raw);
            if (it == m_fallbacks.end())
                it = m_fallbacks.insert(m_fallbacks.end(), raw);
            ref = {static_cast<int>(it - m_fallbacks.begin()) + 1, runs.first().glyphIndexes().first()};
        }
    }
    m_characterGlyphs.emplace(cp, ref);
    return ref;
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
    paintControlSymbol(painter, QRectF(x + 0.5, rowTop + 1, std::max(1.0, width - 1), std::max(1, m_lineHeight - 2)), b,
                       ink, paper);
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

void GlyphTable::paintInvalidByte(QPainter& painter, const QRectF& cell, std::uint8_t b, const QColor& ink) const
{
    painter.save();
    QColor frame = ink;
    frame.setAlpha(160);
    painter.setPen(frame);
    painter.drawRect(cell.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(ink);
    painter.setFont(m_invalidFont);
    painter.drawText(cell, Qt::AlignCenter, QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0')));
    painter.restore();
}

void GlyphTable::drawUtf8(QPainter& painter, const std::uint8_t* bytes, std::int64_t count, std::int64_t x,
                          double originX, double baseline, const QColor& ink, const QColor& paper) const
{
    // One glyph run per font: the font itself and each fallback font used.
    std::vector<QList<quint32>> glyphs(1);
    std::vector<QList<QPointF>> positions(1);
    painter.save();
    painter.setPen(ink);
    painter.setFont(m_font);
    for (std::int64_t i = 0; i < count;) {
        const std::uint8_t b = bytes[i];
        const double left = originX + static_cast<double>(x) / 64.0;
        if (b < 0x80) {
            const std::int32_t advance = m_advances.at(b, x);
            if (b == '\t') {
                // blank up to the tab stop
            } else if (isControlSymbol(b)) {
                drawControlSymbol(painter, left, baseline - m_ascent, advance / 64.0, b, ink, paper);
            } else if (const std::uint32_t glyph = m_glyphs[b]) {
                glyphs[0].push_back(glyph);
                positions[0].push_back(QPointF(left, baseline));
            }
            x += advance;
            ++i;
            continue;
        }
        const utf8::Char c = utf8::decode(bytes + i, static_cast<std::size_t>(count - i));
        const std::int32_t advance = c.valid ? m_advances.ofCodePoint(c.cp) : m_advances.invalidAdvance();
        const QRectF cell(left, baseline - m_ascent, advance / 64.0, m_lineHeight);
        if (!c.valid || isUndrawable(c.cp)) {
            paintInvalidByte(painter, cell.adjusted(0.5, 1, -0.5, -1), c.valid ? static_cast<std::uint8_t>(c.cp) : b,
                             ink);
        } else if (c.cp != utf8::kByteOrderMark) {
            const GlyphRef ref = glyphOf(c.cp);
            if (ref.font >= static_cast<int>(glyphs.size())) {
                glyphs.resize(static_cast<std::size_t>(ref.font) + 1);
                positions.resize(static_cast<std::size_t>(ref.font) + 1);
            }
            if (ref.font >= 0) {
                glyphs[static_cast<std::size_t>(ref.font)].push_back(ref.glyph);
                positions[static_cast<std::size_t>(ref.font)].push_back(QPointF(left, baseline));
            } else {
                painter.drawText(QPointF(left, baseline), QString::fromUcs4(&c.cp, 1));
            }
        }
        x += advance;
        i += c.length;
    }
    for (std::size_t font = 0; font < glyphs.size(); ++font) {
        if (glyphs[font].isEmpty())
            continue;
        QGlyphRun run;
        run.setRawFont(fontNumber(static_cast<int>(font)));
        run.setGlyphIndexes(glyphs[font]);
        run.setPositions(positions[font]);
        run.setUnderline(m_font.underline());
        run.setStrikeOut(m_font.strikeOut());
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    painter.restore();
}

}  // namespace quillory
