#include "editcore/BytePattern.h"

#include <algorithm>
#include <cstring>

namespace quillory {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The column of the character that begins at byte i of UTF-8 text; 1 is the first.
std::size_t columnOf(std::string_view text, std::size_t i)
{
    const auto starts = std::count_if(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(i),
                                      [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    return static_cast<std::size_t>(starts) + 1;
}

// The whole UTF-8 character that begins at byte i.
std::string_view characterAt(std::string_view text, std::size_t i)
{
    std::size_t end = i + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        ++end;
    return text.substr(i, end - i);
}

std::optional<std::string> malformed(std::string* problem, std::string reason)
{
    if (problem != nullptr)
        *problem = std::move(reason);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> parseHexBytes(std::string_view text, std::string* problem)
{
    std::string bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isBlank(text[i]))
            continue;
        const int high = hexValue(text[i]);
        if (high < 0)
            return malformed(problem, "The character \"" + std::string(characterAt(text, i)) + "\" at column " +
                                          std::to_string(columnOf(text, i)) + " is not a hex digit");
        const int low = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
        if (low < 0) {
            if (i + 1 < text.size() && !isBlank(text[i + 1]))
                return malformed(problem, "The character \"" + std::string(characterAt(text, i + 1)) + "\" at column " +
                                              std::to_string(columnOf(text, i + 1)) + " is not a hex digit");
            return malformed(problem, "The hex digit pair at column " + std::to_string(columnOf(text, i)) +
                                          " has only one digit");
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
        ++i;
    }
    if (bytes.empty())
        return malformed(problem, "There are no hex digits to find");
    return bytes;
}

std::string formatHexBytes(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const std::uint8_t b : bytes) {
        if (!text.empty())
            text.push_back(' ');
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

std::optional<std::int64_t> findBytes(std::span<const std::uint8_t> haystack, std::span<const std::uint8_t> needle,
                                      std::int64_t from, bool forward)
{
    const auto size = static_cast<std::int64_t>(haystack.size());
    const auto n = static_cast<std::int64_t>(needle.size());
    if (n == 0 || n > size)
        return std::nullopt;
    const std::uint8_t* base = haystack.data();
    if (forward) {
        const std::int64_t start = std::clamp<std::int64_t>(from, 0, size);
        const void* hit = memmem(base + start, static_cast<std::size_t>(size - start), needle.data(), needle.size());
        if (hit == nullptr)
            return std::nullopt;
        return static_cast<const std::uint8_t*>(hit) - base;
    }
    // Backward: the needle's first byte looked for from the last possible start down, each place
    // compared whole.
    std::int64_t limit = std::min(from, size) - n + 1;  // starts lie in [0, limit)
    while (limit > 0) {
        const void* hit = memrchr(base, needle[0], static_cast<std::size_t>(limit));
        if (hit == nullptr)
            return std::nullopt;
        const std::int64_t at = static_cast<const std::uint8_t*>(hit) - base;
        if (std::memcmp(base + at, needle.data(), needle.size()) == 0)
            return at;
        limit = at;
    }
    return std::nullopt;
}

}  // namespace quillory
