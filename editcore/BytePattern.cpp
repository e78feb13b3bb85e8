#include "editcore/BytePattern.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "editcore/HexBytes.h"

namespace quillory {

namespace {

int hexValue(char c)
{
    return hex::digitValue(static_cast<unsigned char>(c)).value_or(-1);
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

// The place in the needle whose byte is rarest in samples spread over the bytes to search: the byte
// a scan stops at least often. (A scan for the needle's first byte, as memmem's in glibc too, stops
// at every byte of a run of zeros when the needle starts with one.)
std::int64_t rarestPlace(std::span<const std::uint8_t> searched, std::span<const std::uint8_t> needle)
{
    constexpr std::size_t kSamples = 64;
    constexpr std::size_t kSampleBytes = 1024;
    std::array<std::uint32_t, 256> counts{};
    const std::size_t step = std::max(searched.size() / kSamples, kSampleBytes);
    for (std::size_t at = 0; at < searched.size(); at += step)
        for (const std::uint8_t b : searched.subspan(at, std::min(kSampleBytes, searched.size() - at)))
            ++counts[b];
    std::size_t best = 0;
    for (std::size_t k = 1; k < needle.size(); ++k)
        if (counts[needle[k]] < counts[needle[best]])
            best = k;
    return static_cast<std::int64_t>(best);
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
    auto matchesAt = [&](std::int64_t at) { return std::memcmp(base + at, needle.data(), needle.size()) == 0; };
    if (forward) {
        // Starts lie in [first, last]; their anchors in [first + k, last + k].
        const std::int64_t first = std::max<std::int64_t>(from, 0);
        const std::int64_t last = size - n;
        if (first > last)
            return std::nullopt;
        const std::int64_t k = rarestPlace(haystack.subspan(static_cast<std::size_t>(first)), needle);
        for (std::int64_t p = first + k; p <= last + k;) {
            const void* hit =
                std::memchr(base + p, needle[static_cast<std::size_t>(k)], static_cast<std::size_t>(last + k + 1 - p));
            if (hit == nullptr)
                return std::nullopt;
            p = static_cast<const std::uint8_t*>(hit) - base;
            if (matchesAt(p - k))
                return p - k;
            ++p;
        }
        return std::nullopt;
    }
    // Starts lie in [0, limit); their anchors in [k, limit + k).
    std::int64_t limit = std::min(from, size) - n + 1;
    if (limit <= 0)
        return std::nullopt;
    const std::int64_t k = rarestPlace(haystack.first(static_cast<std::size_t>(limit + n - 1)), needle);
    while (limit > 0) {
        const void* hit = memrchr(base + k, needle[static_cast<std::size_t>(k)], static_cast<std::size_t>(limit));
        if (hit == nullptr)
            return std::nullopt;
        const std::int64_t at = static_cast<const std::uint8_t*>(hit) - base - k;
        if (matchesAt(at))
            return at;
        limit = at;
    }
    return std::nullopt;
}

}  // namespace quillory
