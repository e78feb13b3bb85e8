#pragma once
// Strings of the plain-data tables (UTF-8) as Qt strings.

#include <string_view>

#include <QString>

namespace quillory {

inline QString toQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

}  // namespace quillory
