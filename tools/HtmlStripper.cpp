#include "tools/HtmlStripper.h"

#include <cstring>
#include <optional>
#include <string_view>

namespace quillory {

namespace {

constexpr std::string_view kScriptOpen = "<script";
constexpr std::string_view kScriptClose = "</script";

// True when text[at, ...) begins with pattern, letters compared without regard to case. The
// patterns are lower-case ASCII, so folding the text's ASCII capitals is enough.
bool startsWithNoCase(const std::uint8_t* text, std::size_t length, std::size_t at, std::string_view pattern)
{
    if (length - at < pattern.size())
        return false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        std::uint8_t c = text[at + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<std::uint8_t>(c + ('a' - 'A'));
        if (c != static_cast<std::uint8_t>(pattern[i]))
            return false;
    }
    return true;
}

// Where a scan over [from, length) finds its first byte; nothing when there is none.
class ByteScanner {
public:
    ByteScanner(const std::uint8_t* text, std::size_t length) : m_text(text), m_length(length) {}

    std::optional<std::size_t> find(std::uint8_t byte, std::size_t from) const
    {
        if (from >= m_length)
            return std::nullopt;
        const void* hit = std::memchr(m_text + from, byte, m_length - from);
        if (hit == nullptr)
            return std::nullopt;
        return static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - m_text);
    }

private:
    const std::uint8_t* m_text;
    std::size_t m_length;
};

// The end of a script block that opens at some "<script": the first "</script" after it and the
// first ">" at or after that. The pass asks with ever larger starts, so one answer serves every
// "<script" up to it: the whole pass stays linear even with thousands of unclosed script tags.
class ScriptCloseFinder {
public:
    ScriptCloseFinder(const std::uint8_t* text, std::size_t length)
        : m_text(text), m_length(length), m_scanner(text, length)
    {}

    // The position just after the ">" that ends a block opened before `from`, or nothing when no
    // "</script" at or after `from` has a ">" at or after it.
    std::optional<std::size_t> blockEndAfter(std::size_t from)
    {
        if (!m_searched || (m_close != kNone && m_close < from)) {
            m_close = findClose(from);
            m_end = m_close != kNone ? m_scanner.find('>', m_close).value_or(kNone) : kNone;
            m_searched = true;
        }
        if (m_end == kNone)
            return std::nullopt;
        return m_end + 1;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::size_t findClose(std::size_t from) const
    {
        for (auto at = m_scanner.find('<', from); at; at = m_scanner.find('<', *at + 1)) {
            if (startsWithNoCase(m_text, m_length, *at, kScriptClose))
                return *at;
        }
        return kNone;
    }

    const std::uint8_t* m_text;
    std::size_t m_length;
    ByteScanner m_scanner;
    bool m_searched = false;      // m_close and m_end hold an answer
    std::size_t m_close = kNone;  // the first "</script" at or after the last start asked; kNone: none
    std::size_t m_end = kNone;    // the first ">" at or after m_close; kNone: none
};

// The pass itself; with progress, it reports after every piece read and stops at a Cancel.
std::optional<std::size_t> strip(const std::uint8_t* source, std::size_t length, std::uint8_t* result,
                                 WorkProgress* progress)
{
    const ByteScanner scanner(source, length);
    ScriptCloseFinder scriptClose(source, length);
    std::size_t read = 0;   // C: the next byte of the source to keep or drop
    std::size_t write = 0;  // bytes of the result so far; never beyond read
    std::size_t nextReport = kWorkPiece;

    while (const auto open = scanner.find('<', read)) {
        if (progress != nullptr && *open >= nextReport) {
            if (!progress->advance(static_cast<std::int64_t>(*open)))
                return std::nullopt;
            nextReport = *open + kWorkPiece;
        }
        const std::size_t tag = *open;  // P
        std::memmove(result + write, source + read, tag - read);
        write += tag - read;
        if (startsWithNoCase(source, length, tag, kScriptOpen)) {
            if (const auto blockEnd = scriptClose.blockEndAfter(tag + 1)) {
                read = *blockEnd;
            } else {
                const auto tagEnd = scanner.find('>', tag + 1);
                read = tagEnd ? *tagEnd + 1 : tag + 1;
            }
        } else {
            const auto tagEnd = scanner.find('>', tag + 1);
            if (!tagEnd) {
                read = tag;  // an unclosed "<" keeps the rest of the text
                break;
            }
            read = *tagEnd + 1;
        }
    }
    std::memmove(result + write, source + read, length - read);
    return write + (length - read);
}

}  // namespace

std::size_t stripHtmlTags(const std::uint8_t* source, std::size_t length, std::uint8_t* result)
{
    return *strip(source, length, result, nullptr);
}

std::optional<std::size_t> stripHtmlTags(const std::uint8_t* source, std::size_t length, std::uint8_t* result,
                                         WorkProgress& progress)
{
    progress.setTotal(static_cast<std::int64_t>(std::max<std::size_t>(length, 1)));
    return strip(source, length, result, &progress);
}

}  // namespace quillory
