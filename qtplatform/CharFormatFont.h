#pragma once
// Conversions between the stored character format and Qt's font and colour.

#include <QColor>
#include <QFont>

#include "base/FontColorDialogs.h"
#include "base/CharFormat.h"

namespace quillory {

// The font a format describes; a format without a size takes 10 points.
QFont fontFromCharFormat(const CharFormat& format);

// Face, size, bold, italic, underline and strikeout of font laid over `base` (colour, charset and
// offset stay as base has them).
CharFormat charFormatFromFont(const QFont& font, const CharFormat& base);

// The text colour a format asks for, or an invalid colour for the automatic (system) colour.
QColor textColorOf(const CharFormat& format);

QColor toQColor(ColorRef color);
ColorRef toColorRef(const QColor& color);

}  // namespace quillory
