#include "editcore/Utf8.h"

#include <cstring>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUILLORY_UTF8_SSSE3 1
#endif

namespace quillory::utf8 {

void append(std::string& out, char32_t cp)
{
    if ((cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF)
        cp = kReplacement;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | cp >> 6));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | cp >> 12));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | cp >> 18));
        out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string encode(char32_t cp)
{
    std::string out;
    append(out, cp);
    return out;
}

bool isAscii(const std::uint8_t* bytes, std::size_t count)
{
    // Written so that the compiler vectorises it.
    std::uint8_t any = 0;
    for (std::size_t i = 0; i < count; ++i)
        any |= bytes[i];
    return any < 0x80;
}

namespace {

bool isValidScalar(const std::uint8_t* p, std::size_t n)
{
    std::size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const Char c = decode(p + i, n - i);
        if (!c.valid)
            return false;
        i += static_cast<std::size_t>(c.length);
    }
    return true;
}

#if defined(QUILLORY_UTF8_SSSE3)
// The lookup method: three table lookups on the high and low nibbles of each byte and the one
// before it classify every two-byte window; what the tables cannot see (a third or fourth byte
// where a continuation is due) is checked from the bytes two and three back.
class Ssse3Validator {
public:
    __attribute__((target("ssse3"))) void block(__m128i input)
    {
        if (_mm_movemask_epi8(input) == 0) {
            m_error = _mm_or_si128(m_error, m_prevIncomplete);
            m_prevIncomplete = _mm_setzero_si128();
            m_prev = input;
            return;
        }
        const __m128i prev1 = _mm_alignr_epi8(input, m_prev, 15);
        const __m128i nibble = _mm_set1_epi8(0x0F);
        const __m128i prev1High = _mm_and_si128(_mm_srli_epi16(prev1, 4), nibble);
        const __m128i prev1Low = _mm_and_si128(prev1, nibble);
        const __m128i inputHigh = _mm_and_si128(_mm_srli_epi16(input, 4), nibble);
        const __m128i special = _mm_and_si128(
            _mm_and_si128(_mm_shuffle_epi8(byte1High(), prev1High), _mm_shuffle_epi8(byte1Low(), prev1Low)),
            _mm_shuffle_epi8(byte2High(), inputHigh));
        const __m128i prev2 = _mm_alignr_epi8(input, m_prev, 14);
        const __m128i prev3 = _mm_alignr_epi8(input, m_prev, 13);
        const __m128i thirdOrFourth = _mm_or_si128(_mm_subs_epu8(prev2, _mm_set1_epi8(static_cast<char>(0xE0 - 0x80))),
                                                   _mm_subs_epu8(prev3, _mm_set1_epi8(static_cast<char>(0xF0 - 0x80))));
        const __m128i mustContinue = _mm_and_si128(thirdOrFourth, _mm_set1_epi8(static_cast<char>(0x80)));
        m_error = _mm_or_si128(m_error, _mm_xor_si128(mustContinue, special));
        // A lead byte in the last three places still waits for its continuation bytes.
        const __m128i maxLead =
            _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xF0 - 1),
                          static_cast<char>(0xE0 - 1), static_cast<char>(0xC0 - 1));
        m_prevIncomplete = _mm_subs_epu8(input, maxLead);
        m_prev = input;
    }
    // Ends the input: a sequence cut short at the end is an error.
    __attribute__((target("ssse3"))) bool finish()
    {
        m_error = _mm_or_si128(m_error, m_prevIncomplete);
        return _mm_movemask_epi8(_mm_cmpeq_epi8(m_error, _mm_setzero_si128())) == 0xFFFF;
    }
    __attribute__((target("ssse3"))) bool failed() const
    {
        return _mm_movemask_epi8(_mm_cmpeq_epi8(m_error, _mm_setzero_si128())) != 0xFFFF;
    }

private:
    static constexpr char kTooShort = 1 << 0;  // a lead byte not followed by a continuation
    static constexpr char kTooLong = 1 << 1;   // a continuation after ASCII
    static constexpr char kOverlong3 = 1 << 2;
    static constexpr char kTooLarge = 1 << 3;
    static constexpr char kSurrogate = 1 << 4;
    static constexpr char kOverlong2 = 1 << 5;
    static constexpr char kTooLarge1000 = 1 << 6;
    static constexpr char kOverlong4 = 1 << 6;
    static constexpr char kTwoConts = static_cast<char>(1 << 7);  // a continuation after a continuation
    static constexpr char kCarry = kTooShort | kTooLong | kTwoConts;

    __attribute__((target("ssse3"))) static __m128i byte1High()
    {
        return _mm_setr_epi8(kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTwoConts,
                             kTwoConts, kTwoConts, kTwoConts, kTooShort | kOverlong2, kTooShort,
                             kTooShort | kOverlong3 | kSurrogate, kTooShort | kTooLarge | kTooLarge1000 | kOverlong4);
    }
    __attribute__((target("ssse3"))) static __m128i byte1Low()
    {
        constexpr char kLarge = kCarry | kTooLarge | kTooLarge1000;
        return _mm_setr_epi8(kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry,
                             kCarry | kTooLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge,
                             kLarge | kSurrogate, kLarge, kLarge);
    }
    __attribute__((target("ssse3"))) static __m128i byte2High()
    {
        constexpr char kNibble1000 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4;
        constexpr char kNibble1001 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge;
        constexpr char kNibble101 = kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge;
        return _mm_setr_epi8(kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
                             kNibble1000, kNibble1001, kNibble101, kNibble101, kTooShort, kTooShort, kTooShort,
                             kTooShort);
    }

    __m128i m_error = _mm_setzero_si128();           // any bit set: invalid
    __m128i m_prev = _mm_setzero_si128();            // the block before
    __m128i m_prevIncomplete = _mm_setzero_si128();  // the block before ended inside a sequence
};

__attribute__((target("ssse3"))) bool isValidSsse3(const std::uint8_t* p, std::size_t n)
{
    Ssse3Validator validator;
    std::size_t i = 0;
    while (i + 64 <= n) {
        // Four blocks at once when they are all ASCII: the common case in most texts.
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 48));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0) {
            validator.block(d);
        } else {
            validator.block(a);
            validator.block(b);
            validator.block(c);
            validator.block(d);
        }
        i += 64;
        if ((i & 0xFFFFF) == 0 && validator.failed())
            return false;  // no need to read the rest
    }
    for (; i + 16 <= n; i += 16)
        validator.block(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
    alignas(16) std::uint8_t last[16] = {};
    if (n > i)
        std::memcpy(last, p + i, n - i);
    validator.block(_mm_load_si128(reinterpret_cast<const __m128i*>(last)));
    return validator.finish();
}
#endif

}  // namespace

bool isValid(const std::uint8_t* bytes, std::size_t count)
{
#if defined(QUILLORY_UTF8_SSSE3)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3)
        return isValidSsse3(bytes, count);
#endif
    return isValidScalar(bytes, count);
}

std::u16string toUtf16(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        const Char c = decode(p + i, bytes.size() - i);
        const char32_t cp = c.valid ? c.cp : kReplacement;
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += static_cast<std::size_t>(c.length);
    }
    return out;
}

std::string fromUtf16(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    forEachCodePoint(text, [&out](char32_t c) { append(out, c); });
    return out;
}

}  // namespace quillory::utf8
