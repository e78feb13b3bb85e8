#include "editcore/TextFinder.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "editcore/ByteCodec.h"

namespace quillory {

namespace {

#if defined(__SSE2__)
// Finds the positions of 16 consecutive starts whose first and last bytes could be the needle's:
// two loads and four compares per 16 bytes, so only real candidates are compared in full.
class CandidateMask {
public:
    CandidateMask(const std::array<std::uint8_t, 2>& first, const std::array<std::uint8_t, 2>& last,
                  std::int64_t length)
        : m_first0(splat(first[0])), m_first1(splat(first[1])), m_last0(splat(last[0])), m_last1(splat(last[1])),
          m_lastOffset(length - 1)
    {
    }

    // Bit k set: start p + k has a possible first byte and a possible last byte.
    unsigned at(const std::uint8_t* p) const
    {
        const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + m_lastOffset));
        const __m128i firstOk = _mm_or_si128(_mm_cmpeq_epi8(head, m_first0), _mm_cmpeq_epi8(head, m_first1));
        const __m128i lastOk = _mm_or_si128(_mm_cmpeq_epi8(tail, m_last0), _mm_cmpeq_epi8(tail, m_last1));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(firstOk, lastOk)));
    }

private:
    static __m128i splat(std::uint8_t b) { return _mm_set1_epi8(static_cast<char>(b)); }

    __m128i m_first0, m_first1, m_last0, m_last1;  // each byte repeated 16 times
    std::int64_t m_lastOffset;                      // where the last byte is, from the start
};
constexpr std::int64_t kBlock = 16;  // starts tested per mask
#endif

}  // namespace

int SearchText::byteAt(std::int64_t pos) const
{
    if (pos < 0)
        return byteBefore;
    const auto p = static_cast<std::size_t>(pos);
    if (p < head.size())
        return static_cast<std::uint8_t>(head[p]);
    if (p - head.size() < tail.size())
        return static_cast<std::uint8_t>(tail[p - head.size()]);
    return byteAfter;
}

TextSearcher::TextSearcher(std::string_view needle, const FindOptions& options)
    : m_needle(needle), m_matchCase(options.matchCase), m_wholeWord(options.wholeWord)
{
    if (m_needle.empty())
        return;
    const ByteCodec& codec = byteCodec();
    if (!m_matchCase)
        for (char& c : m_needle)
            c = static_cast<char>(codec.fold(static_cast<std::uint8_t>(c)));
    // The bytes that fold to the same byte as b; the vector scan handles two forms at most.
    auto forms = [&](char c, std::array<std::uint8_t, 2>& out) {
        const auto b = static_cast<std::uint8_t>(c);
        out = {b, b};
        if (m_matchCase)
            return;
        int count = 0;
        for (int x = 0; x < 256; ++x)
            if (codec.fold(static_cast<std::uint8_t>(x)) == b && count++ < 2)
                out[static_cast<std::size_t>(count - 1)] = static_cast<std::uint8_t>(x);
        if (count == 1)
            out[1] = out[0];
        if (count > 2)
            m_vectorScan = false;
    };
    forms(m_needle.front(), m_first);
    forms(m_needle.back(), m_last);
}

bool TextSearcher::matchesAt(const SearchText& text, const std::uint8_t* p, std::int64_t start) const
{
    const auto* needle = reinterpret_cast<const std::uint8_t*>(m_needle.data());
    const std::size_t n = m_needle.size();
    if (m_matchCase) {
        if (std::memcmp(p, needle, n) != 0)
            return false;
    } else {
        const ByteCodec& codec = byteCodec();
        for (std::size_t i = 0; i < n; ++i)
            if (codec.fold(p[i]) != needle[i])
                return false;
    }
    if (!m_wholeWord)
        return true;
    const ByteCodec& codec = byteCodec();
    auto word = [&](std::int64_t pos) {
        const int b = text.byteAt(pos);
        return b >= 0 && codec.isWordByte(static_cast<std::uint8_t>(b));
    };
    const std::int64_t end = start + length();
    return (!word(start - 1) || !word(start)) && (!word(end) || !word(end - 1));
}

std::int64_t TextSearcher::firstIn(const SearchText& text, Piece piece, std::int64_t lo, std::int64_t hi) const
{
    std::int64_t i = lo - piece.origin;
    const std::int64_t last = hi - piece.origin;
#if defined(__SSE2__)
    if (m_vectorScan) {
        const CandidateMask candidates(m_first, m_last, length());
        for (; i + kBlock - 1 <= last; i += kBlock) {
            for (unsigned mask = candidates.at(piece.bytes + i); mask != 0; mask &= mask - 1) {
                const std::int64_t s = i + __builtin_ctz(mask);
                if (matchesAt(text, piece.bytes + s, piece.origin + s))
                    return piece.origin + s;
            }
        }
    }
#endif
    for (; i <= last; ++i)
        if (matchesAt(text, piece.bytes + i, piece.origin + i))
            return piece.origin + i;
    return -1;
}

std::int64_t TextSearcher::lastIn(const SearchText& text, Piece piece, std::int64_t lo, std::int64_t hi) const
{
    const std::int64_t first = lo - piece.origin;
    std::int64_t i = hi - piece.origin;
#if defined(__SSE2__)
    if (m_vectorScan) {
        const CandidateMask candidates(m_first, m_last, length());
        for (; i - (kBlock - 1) >= first; i -= kBlock) {
            const std::int64_t block = i - (kBlock - 1);
            for (unsigned mask = candidates.at(piece.bytes + block); mask != 0;) {
                const int bit = 31 - __builtin_clz(mask);
                const std::int64_t s = block + bit;
                if (matchesAt(text, piece.bytes + s, piece.origin + s))
                    return piece.origin + s;
                mask &= ~(1u << bit);
            }
        }
    }
#endif
    for (; i >= first; --i)
        if (matchesAt(text, piece.bytes + i, piece.origin + i))
            return piece.origin + i;
    return -1;
}

TextSearcher::Piece TextSearcher::seam(const SearchText& text, std::string& scratch) const
{
    const std::size_t reach = m_needle.size() - 1;
    const std::size_t from = text.head.size() - std::min(reach, text.head.size());
    scratch.assign(text.head.substr(from));
    scratch.append(text.tail.substr(0, std::min(reach, text.tail.size())));
    return {reinterpret_cast<const std::uint8_t*>(scratch.data()), static_cast<std::int64_t>(from)};
}

std::optional<FoundRange> TextSearcher::next(const SearchText& text, std::int64_t from) const
{
    const std::int64_t n = length();
    const std::int64_t size = text.size();
    if (n == 0 || n > size)
        return std::nullopt;
    from = std::clamp<std::int64_t>(from, 0, size);
    const auto h = static_cast<std::int64_t>(text.head.size());
    auto found = [n](std::int64_t s) { return s < 0 ? std::nullopt : std::optional<FoundRange>({s, s + n}); };
    // Wholly before the gap, then across it, then wholly after it.
    if (from <= h - n)
        if (const std::int64_t s = firstIn(text, {reinterpret_cast<const std::uint8_t*>(text.head.data()), 0}, from, h - n);
            s >= 0)
            return found(s);
    const std::int64_t seamLo = std::max({from, h - n + 1, std::int64_t{0}});
    const std::int64_t seamHi = std::min(h - 1, size - n);
    if (n > 1 && !text.tail.empty() && seamLo <= seamHi) {
        std::string scratch;
        if (const std::int64_t s = firstIn(text, seam(text, scratch), seamLo, seamHi); s >= 0)
            return found(s);
    }
    const std::int64_t tailLo = std::max(from, h);
    if (tailLo <= size - n)
        return found(firstIn(text, {reinterpret_cast<const std::uint8_t*>(text.tail.data()), h}, tailLo, size - n));
    return std::nullopt;
}

std::optional<FoundRange> TextSearcher::previous(const SearchText& text, std::int64_t from) const
{
    const std::int64_t n = length();
    const std::int64_t size = text.size();
    if (n == 0 || n > size)
        return std::nullopt;
    const std::int64_t lastStart = std::clamp<std::int64_t>(from, 0, size) - n;
    if (lastStart < 0)
        return std::nullopt;
    const auto h = static_cast<std::int64_t>(text.head.size());
    auto found = [n](std::int64_t s) { return s < 0 ? std::nullopt : std::optional<FoundRange>({s, s + n}); };
    // Wholly after the gap, then across it, then wholly before it, each from its end.
    if (lastStart >= h)
        if (const std::int64_t s = lastIn(text, {reinterpret_cast<const std::uint8_t*>(text.tail.data()), h}, h, lastStart);
            s >= 0)
            return found(s);
    const std::int64_t seamLo = std::max(h - n + 1, std::int64_t{0});
    const std::int64_t seamHi = std::min(h - 1, lastStart);
    if (n > 1 && !text.tail.empty() && seamLo <= seamHi) {
        std::string scratch;
        if (const std::int64_t s = lastIn(text, seam(text, scratch), seamLo, seamHi); s >= 0)
            return found(s);
    }
    const std::int64_t headHi = std::min(h - n, lastStart);
    if (headHi >= 0)
        return found(lastIn(text, {reinterpret_cast<const std::uint8_t*>(text.head.data()), 0}, 0, headHi));
    return std::nullopt;
}

std::optional<FoundRange> findText(const TextBuffer& text, std::string_view needle, std::int64_t from,
                                   const FindOptions& options)
{
    const TextSearcher searcher(needle, options);
    const SearchText whole = SearchText::of(text);
    return options.backward ? searcher.previous(whole, from) : searcher.next(whole, from);
}

}  // namespace quillory
