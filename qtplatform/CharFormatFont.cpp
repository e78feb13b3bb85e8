#include "qtplatform/CharFormatFont.h"

#include <cmath>

namespace quillory {

namespace {
constexpr double kTwipsPerPoint = 20.0;
constexpr double kDefaultPointSize = 10.0;
}  // namespace

QFont fontFromCharFormat(const CharFormatA& format)
{
    QFont font(QString::fromStdString(format.faceName()));
    const bool hasSize = (format.dwMask & CFM_SIZE) != 0 && format.yHeight > 0;
    font.setPointSizeF(hasSize ? format.yHeight / kTwipsPerPoint : kDefaultPointSize);
    font.setBold((format.dwEffects & CFE_BOLD) != 0);
    font.setItalic((format.dwEffects & CFE_ITALIC) != 0);
    font.setUnderline((format.dwEffects & CFE_UNDERLINE) != 0);
    font.setStrikeOut((format.dwEffects & CFE_STRIKEOUT) != 0);
    font.setKerning(false);  // one advance per byte, so that columns stay columns
    return font;
}

CharFormatA charFormatFromFont(const QFont& font, const CharFormatA& base)
{
    CharFormatA format = base;
    format.setFaceName(font.family().toStdString());
    format.yHeight = static_cast<std::int32_t>(std::lround(font.pointSizeF() * kTwipsPerPoint));
    format.dwMask |= CFM_SIZE | CFM_FACE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    const std::uint32_t styles = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT;
    format.dwEffects = (format.dwEffects & ~styles) | (font.bold() ? CFE_BOLD : 0u) |
                       (font.italic() ? CFE_ITALIC : 0u) | (font.underline() ? CFE_UNDERLINE : 0u) |
                       (font.strikeOut() ? CFE_STRIKEOUT : 0u);
    return format;
}

QColor textColorOf(const CharFormatA& format)
{
    const bool automatic = (format.dwMask & CFM_COLOR) == 0 || (format.dwEffects & CFE_AUTOCOLOR) != 0;
    return automatic ? QColor() : toQColor(format.crTextColor);
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
