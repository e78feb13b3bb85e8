#include "qtplatform/CharFormatFont.h"

#include <cmath>

namespace quillory {

namespace {
constexpr double kTwipsPerPoint = 20.0;
constexpr double kDefaultPointSize = 10.0;
}  // namespace

QFont fontFromCharFormat(const CharFormat& format)
{
    QFont font(QString::fromStdString(format.faceName()));
    const bool hasSize = (format.mask & kMaskSize) != 0 && format.height > 0;
    font.setPointSizeF(hasSize ? format.height / kTwipsPerPoint : kDefaultPointSize);
    font.setBold((format.effects & kEffectBold) != 0);
    font.setItalic((format.effects & kEffectItalic) != 0);
    font.setUnderline((format.effects & kEffectUnderline) != 0);
    font.setStrikeOut((format.effects & kEffectStrikeOut) != 0);
    font.setKerning(false);  // one advance per byte, so that columns stay columns
    return font;
}

CharFormat charFormatFromFont(const QFont& font, const CharFormat& base)
{
    CharFormat format = base;
    format.setFaceName(font.family().toStdString());
    format.height = static_cast<std::int32_t>(std::lround(font.pointSizeF() * kTwipsPerPoint));
    format.mask |= kMaskSize | kMaskFace | kMaskBold | kMaskItalic | kMaskUnderline | kMaskStrikeOut;
    const std::uint32_t styles = kEffectBold | kEffectItalic | kEffectUnderline | kEffectStrikeOut;
    format.effects = (format.effects & ~styles) | (font.bold() ? kEffectBold : 0u) |
                     (font.italic() ? kEffectItalic : 0u) | (font.underline() ? kEffectUnderline : 0u) |
                     (font.strikeOut() ? kEffectStrikeOut : 0u);
    return format;
}

QColor textColorOf(const CharFormat& format)
{
    const bool automatic = (format.mask & kMaskColor) == 0 || (format.effects & kEffectAutoColor) != 0;
    return automatic ? QColor() : toQColor(format.textColor);
}

QColor toQColor(ColorRef color)
{
    return QColor(redOf(color), greenOf(color), blueOf(color));
}

ColorRef toColorRef(const QColor& color)
{
    return makeColorRef(color.red(), color.green(), color.blue());
}

}  // namespace quillory
