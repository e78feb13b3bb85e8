#pragma once
// The plain reference for finding: every start tried in turn on a std::string.

#include <optional>
#include <string>

#include "editcore/ByteCodec.h"
#include "editcore/TextFinder.h"

namespace quillory {

inline bool plainMatchAt(const std::string& s, const std::string& needle, std::size_t at, const FindOptions& o)
{
    const ByteCodec& codec = byteCodec();
    auto fold = [&](char c) {
        return o.matchCase ? static_cast<std::uint8_t>(c) : codec.fold(static_cast<std::uint8_t>(c));
    };
    for (std::size_t i = 0; i < needle.size(); ++i)
        if (fold(s[at + i]) != fold(needle[i]))
            return false;
    if (!o.wholeWord)
        return true;
    auto word = [&](std::size_t i) { return i < s.size() && codec.isWordByte(static_cast<std::uint8_t>(s[i])); };
    const std::size_t end = at + needle.size();
    return (at == 0 || !word(at - 1) || !word(at)) && (!word(end) || !word(end - 1));
}

// Forward: the first match starting at or after from; backward: the last one ending at or before it.
inline std::optional<FoundRange> plainFind(const std::string& s, const std::string& needle, std::int64_t from,
                                           const FindOptions& o)
{
    const auto size = static_cast<std::int64_t>(s.size());
    const auto n = static_cast<std::int64_t>(needle.size());
    from = std::clamp<std::int64_t>(from, 0, size);
    if (n == 0)
        return std::nullopt;
    if (o.backward) {
        for (std::int64_t at = from - n; at >= 0; --at)
            if (plainMatchAt(s, needle, static_cast<std::size_t>(at), o))
                return FoundRange{at, at + n};
    } else {
        for (std::int64_t at = from; at + n <= size; ++at)
            if (plainMatchAt(s, needle, static_cast<std::size_t>(at), o))
                return FoundRange{at, at + n};
    }
    return std::nullopt;
}

}  // namespace quillory
