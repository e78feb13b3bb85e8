#pragma once
// One font measured for the 256 bytes: advances (so layout is additions), the glyph of each
// byte in the font itself, and the vertical metrics. Bytes whose character the font lacks are
// drawn through Qt's font fallback, at the same positions. For UTF-8 text the characters beyond
// ASCII are looked up once each: their glyph in the font or in the font Qt's fallback picks for
// them, and (in a proportional font) their advance.

#include <QFont>
#include <QPixmap>
#include <QRawFont>
#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "editcore/WrapLayout.h"

class QColor;
class QPaintDevice;
class QPainter;

namespace quillory {

class GlyphTable {
public:
    // Measures font as it renders on device (the screen when null).
    explicit GlyphTable(const QFont& font, QPaintDevice* device = nullptr);

    const QFont& font() const { return m_font; }
    const QRawFont& rawFont() const { return m_raw; }
    const Advances& advances() const { return m_advances; }
    // Glyph of byte b in rawFont(); 0 when the byte is drawn through fallback.
    std::uint32_t glyph(std::uint8_t b) const { return m_glyphs[b]; }
    int ascent() const { return m_ascent; }
    int lineHeight() const { return m_lineHeight; }
    // Control bytes (0x00-0x1F but tab and breaks, and 0x7F) are drawn as an inverse cell with
    // their caret-notation letter (0x01 as "A"), legible whatever fonts are installed.
    static bool isControlSymbol(std::uint8_t b) { return b < 0x20 || b == 0x7F; }
    // Draws byte b as a control symbol in the cell at x (px) of the row whose top is rowTop.
    void drawControlSymbol(QPainter& painter, double x, double rowTop, double width, std::uint8_t b, const QColor& ink,
                           const QColor& paper) const;
    // Paints the symbol of byte b filling cell.
    void paintControlSymbol(QPainter& painter, const QRectF& cell, std::uint8_t b, const QColor& ink,
                            const QColor& paper) const;
    // Draws count bytes, the first at x (1/64 px from the row's start, which is at originX px),
    // each where its advance puts it; tabs leave their space empty.
    void drawBytes(QPainter& painter, const std::uint8_t* bytes, std::int64_t count, std::int64_t x, double originX,
                   double baseline, const QColor& ink, const QColor& paper) const;
    // Draws count bytes of UTF-8 text (a whole number of characters) as drawBytes does, each
    // character one cell: bytes outside valid sequences as replacement cells showing their value.
    void drawUtf8(QPainter& painter, const std::uint8_t* bytes, std::int64_t count, std::int64_t x, double originX,
                  double baseline, const QColor& ink, const QColor& paper) const;
    // Paints the replacement cell of byte b (not valid UTF-8) filling cell.
    void paintInvalidByte(QPainter& painter, const QRectF& cell, std::uint8_t b, const QColor& ink) const;
    // Width of a space in pixels, for the selection mark of a line break.
    int spaceWidth() const { return m_advances.advance[' '] / 64; }

private:
    // A character's glyph: in rawFont() (font 0) or in fallback font n (n >= 1); font -1: none known.
    struct GlyphRef {
        int font = -1;
        std::uint32_t glyph = 0;
    };
    GlyphRef glyphOf(char32_t cp) const;
    const QRawFont& fontNumber(int font) const
    {
        return font == 0 ? m_raw : m_fallbacks[static_cast<std::size_t>(font - 1)];
    }

    QFont m_font;                               // the font, bound to the device
    QRawFont m_raw;                             // the font's glyphs for glyph runs
    Advances m_advances;                        // per byte, 1/64 px
    std::array<std::uint32_t, 256> m_glyphs{};  // per byte, 0: fallback
    int m_ascent = 0;                           // baseline below the row's top, px
    int m_lineHeight = 1;                       // row height, px
    QFont m_symbolFont;                         // letters inside control symbols
    bool m_cacheSymbols = false;                // screen: control symbols are drawn once, then copied
    struct SymbolKey {
        std::uint8_t byte;
        QRgb ink;
        QRgb paper;
        int width64;   // cell width, 1/64 px
        int ratio100;  // device pixel ratio x 100
        bool operator==(const SymbolKey&) const = default;
    };
    struct SymbolKeyHash {
        std::size_t operator()(const SymbolKey& k) const
        {
            return std::hash<std::uint64_t>()((std::uint64_t{k.ink} << 32 | k.paper) ^
                                              (std::uint64_t(k.width64) << 40) ^ (std::uint64_t(k.ratio100) << 20) ^
                                              k.byte);
        }
    };
    mutable std::unordered_map<SymbolKey, QPixmap, SymbolKeyHash> m_symbols;  // rendered control symbols
    mutable std::vector<QRawFont> m_fallbacks;                                // fonts Qt's fallback picked, as met
    mutable std::unordered_map<char32_t, GlyphRef> m_characterGlyphs;         // characters beyond ASCII looked up
    QFont m_invalidFont;                                                      // the value inside a replacement cell
};

}  // namespace quillory
