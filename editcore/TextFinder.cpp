#include "editcore/TextFinder.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "editcore/ByteCodec.h"
#include "editcore/UnicodeTables.h"
#include "editcore/Utf8.h"

namespace quillory {

namespace {

#if defined(__SSE2__)
// Finds the positions of 16 consecutive starts whose first and last bytes could be the needle's:
// two loads and four compares per 16 bytes, so only real candidates are compared in full.
class CandidateMask {
public:
    CandidateMask(const std::array<std::uint8_t, 2>& first, const std::array<std::uint8_t, 2>& last,
                  std::int64_t length)
        : m_first0(splat(first[0])),
          m_first1(splat(first[1])),
          m_last0(splat(last[0])),
          m_last1(splat(last[1])),
          m_lastOffset(length - 1)
    {}

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
    std::int64_t m_lastOffset;                     // where the last byte is, from the start
};
constexpr std::int64_t kBlock = 16;  // starts tested per mask
#endif

// The UTF-8 character at pos of the text, read through byteAt (so across the gap); bytes past the
// text end it.
utf8::Char charAtText(const SearchText& text, std::int64_t pos)
{
    std::uint8_t bytes[4] = {};
    std::size_t available = 0;
    for (; available < 4; ++available) {
        const int b = text.byteAt(pos + static_cast<std::int64_t>(available));
        if (b < 0 || (available > 0 && pos + static_cast<std::int64_t>(available) >= text.size()))
            break;
        bytes[available] = static_cast<std::uint8_t>(b);
    }
    return available == 0 ? utf8::Char{0, 1, false} : utf8::decode(bytes, available);
}

// Whether the UTF-8 character that ends at pos (or starts there) makes words; an invalid byte does not.
bool wordCharacterBefore(const SearchText& text, std::int64_t pos)
{
    for (std::int64_t lead = pos - 1; lead >= pos - 4 && lead >= -1; --lead) {
        const int b = text.byteAt(lead);
        if (b < 0)
            return false;
        if (utf8::isContinuation(static_cast<std::uint8_t>(b)))
            continue;
        const utf8::Char c = charAtText(text, lead);
        return c.valid && lead + c.length == pos && isWordCharacter(c.cp);
    }
    return false;
}

bool wordCharacterAt(const SearchText& text, std::int64_t pos)
{
    if (text.byteAt(pos) < 0)
        return false;
    const utf8::Char c = charAtText(text, pos);
    return c.valid && isWordCharacter(c.cp);
}

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

SearchText SearchText::prefix(std::int64_t length) const
{
    if (length >= size())
        return *this;
    SearchText part = *this;
    const auto count = static_cast<std::size_t>(std::max<std::int64_t>(length, 0));
    if (count <= head.size()) {
        part.head = head.substr(0, count);
        part.tail = {};
    } else {
        part.tail = tail.substr(0, count - head.size());
    }
    part.byteAfter = byteAt(length);
    return part;
}

TextSearcher::TextSearcher(std::string_view needle, const FindOptions& options)
    : m_needle(needle),
      m_matchCase(options.matchCase),
      m_wholeWord(options.wholeWord),
      m_utf8(options.encoding == TextEncoding::Utf8)
{
    if (m_needle.empty())
        return;
    if (m_utf8 && !m_matchCase) {
        // Bytes compare with ASCII case folding as long as no character of the needle has a form
        // outside ASCII (k has the Kelvin sign, s the long s); otherwise code points are compared.
        bool bytewise = true;
        const auto* p = reinterpret_cast<const std::uint8_t*>(m_needle.data());
        for (std::size_t i = 0; i < m_needle.size();) {
            const utf8::Char c = utf8::decode(p + i, m_needle.size() - i);
            const char32_t folded = simpleFold(c.cp);
            m_folded.push_back(c.valid ? folded : utf8::kReplacement);
            if (!c.valid || c.cp >= 0x80 || foldVariants(folded).back() >= 0x80)
                bytewise = false;
            i += static_cast<std::size_t>(c.length);
        }
        if (!bytewise) {
            for (char32_t variant : foldVariants(m_folded.front())) {
                const auto first = static_cast<std::uint8_t>(utf8::encode(variant)[0]);
                if (!m_startBytes[first])
                    m_startByteList.push_back(first);
                m_startBytes[first] = true;
            }
            return;
        }
        m_folded.clear();
    }
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
    return !m_wholeWord || wholeWordAt(text, start, start + length());
}

bool TextSearcher::wholeWordAt(const SearchText& text, std::int64_t start, std::int64_t end) const
{
    if (m_utf8)
        return (!wordCharacterBefore(text, start) || !wordCharacterAt(text, start)) &&
               (!wordCharacterAt(text, end) || !wordCharacterBefore(text, end));
    const ByteCodec& codec = byteCodec();
    auto word = [&](std::int64_t pos) {
        const int b = text.byteAt(pos);
        return b >= 0 && codec.isWordByte(static_cast<std::uint8_t>(b));
    };
    return (!word(start - 1) || !word(start)) && (!word(end) || !word(end - 1));
}

std::int64_t TextSearcher::foldedMatchLength(const SearchText& text, std::int64_t start) const
{
    std::int64_t pos = start;
    for (const char32_t wanted : m_folded) {
        if (pos >= text.size())
            return -1;
        const utf8::Char c = charAtText(text, pos);
        if (!c.valid || simpleFold(c.cp) != wanted)
            return -1;
        pos += c.length;
    }
    return pos - start;
}

std::int64_t TextSearcher::nextStartByte(const std::uint8_t* bytes, std::int64_t i, std::int64_t size) const
{
#if defined(__SSE2__)
    if (m_startByteList.size() <= 4) {
        // Up to four bytes compared sixteen places at a time.
        __m128i wanted[4];
        for (std::size_t k = 0; k < 4; ++k)
            wanted[k] = _mm_set1_epi8(static_cast<char>(m_startByteList[std::min(k, m_startByteList.size() - 1)]));
        for (; i + 16 <= size; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
            const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, wanted[0]), _mm_cmpeq_epi8(v, wanted[1])),
                                             _mm_or_si128(_mm_cmpeq_epi8(v, wanted[2]), _mm_cmpeq_epi8(v, wanted[3])));
            if (const int mask = _mm_movemask_epi8(hit))
                return i + __builtin_ctz(static_cast<unsigned>(mask));
        }
    }
#endif
    while (i < size && !m_startBytes[bytes[i]])
        ++i;
    return i;
}

std::optional<FoundRange> TextSearcher::nextFolded(const SearchText& text, std::int64_t from) const
{
    const auto h = static_cast<std::int64_t>(text.head.size());
    for (const auto& [piece, origin] : {std::pair{text.head, std::int64_t{0}}, std::pair{text.tail, h}}) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(piece.data());
        const auto size = static_cast<std::int64_t>(piece.size());
        for (std::int64_t i = std::max<std::int64_t>(from - origin, 0); i < size; ++i) {
            i = nextStartByte(bytes, i, size);
            if (i >= size)
                break;
            const std::int64_t length = foldedMatchLength(text, origin + i);
            if (length > 0 && (!m_wholeWord || wholeWordAt(text, origin + i, origin + i + length)))
                return FoundRange{origin + i, origin + i + length};
        }
    }
    return std::nullopt;
}

std::optional<FoundRange> TextSearcher::previousFolded(const SearchText& text, std::int64_t from) const
{
    const auto h = static_cast<std::int64_t>(text.head.size());
    for (const auto& [piece, origin] : {std::pair{text.tail, h}, std::pair{text.head, std::int64_t{0}}}) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(piece.data());
        for (std::int64_t i = std::min<std::int64_t>(from - origin, static_cast<std::int64_t>(piece.size())) - 1;
             i >= 0; --i) {
            if (!m_startBytes[bytes[i]])
                continue;
            const std::int64_t length = foldedMatchLength(text, origin + i);
            if (length > 0 && origin + i + length <= from &&
                (!m_wholeWord || wholeWordAt(text, origin + i, origin + i + length)))
                return FoundRange{origin + i, origin + i + length};
        }
    }
    return std::nullopt;
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
    if (!m_folded.empty())
        return nextFolded(text, std::clamp<std::int64_t>(from, 0, text.size()));
    const std::int64_t n = length();
    const std::int64_t size = text.size();
    if (n == 0 || n > size)
        return std::nullopt;
    from = std::clamp<std::int64_t>(from, 0, size);
    const auto h = static_cast<std::int64_t>(text.head.size());
    auto found = [n](std::int64_t s) { return s < 0 ? std::nullopt : std::optional<FoundRange>({s, s + n}); };
    // Wholly before the gap, then across it, then wholly after it.
    if (from <= h - n)
        if (const std::int64_t s =
                firstIn(text, {reinterpret_cast<const std::uint8_t*>(text.head.data()), 0}, from, h - n);
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
    if (!m_folded.empty())
        return previousFolded(text, std::clamp<std::int64_t>(from, 0, text.size()));
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
        if (const std::int64_t s =
                lastIn(text, {reinterpret_cast<const std::uint8_t*>(text.tail.data()), h}, h, lastStart);
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
