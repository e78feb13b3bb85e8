// Hex search texts read into bytes, and those bytes found forward and backward against a plain
// loop over every start.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "editcore/BytePattern.h"

namespace quillory {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::span<const std::uint8_t> spanOf(const std::string& s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// The reason parseHexBytes gives for text, or "accepted".
std::string problemOf(std::string_view text)
{
    std::string problem;
    return parseHexBytes(text, &problem) ? "accepted" : problem;
}

TEST(BytePattern, ReadsPairsOfEitherCaseWithBlanksBetweenAndAround)
{
    EXPECT_EQ(parseHexBytes("4D 5A 90 00"), std::string("\x4D\x5A\x90\x00", 4));
    EXPECT_EQ(parseHexBytes("7f454c46"), "\x7F"
                                         "ELF");
    EXPECT_EQ(parseHexBytes("4D5A 90 00"), std::string("\x4D\x5A\x90\x00", 4));
    EXPECT_EQ(parseHexBytes(" \t0a\t0D  ff Fe fF  "), "\x0A\x0D\xFF\xFE\xFF");
    EXPECT_EQ(parseHexBytes("00"), std::string(1, '\0'));

    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        Bytes bytes(1 + rng() % 40);
        for (std::uint8_t& b : bytes)
            b = static_cast<std::uint8_t>(rng());
        const std::string text = formatHexBytes(bytes);
        const std::optional<std::string> back = parseHexBytes(text);
        ASSERT_TRUE(back) << text;
        EXPECT_EQ(Bytes(back->begin(), back->end()), bytes) << text;
    }
    EXPECT_EQ(formatHexBytes(Bytes{0x4D, 0x00, 0x0A, 0xFF}), "4D 00 0A FF");
}

TEST(BytePattern, MalformedTextSaysWhatAndWhere)
{
    EXPECT_EQ(problemOf(""), "There are no hex digits to find");
    EXPECT_EQ(problemOf(" \t "), "There are no hex digits to find");
    EXPECT_EQ(problemOf("4 D"), "The hex digit pair at column 1 has only one digit");
    EXPECT_EQ(problemOf("4D5"), "The hex digit pair at column 3 has only one digit");
    EXPECT_EQ(problemOf("4D 5A 9"), "The hex digit pair at column 7 has only one digit");
    EXPECT_EQ(problemOf("4D 5A 9\t"), "The hex digit pair at column 7 has only one digit");
    EXPECT_EQ(problemOf("4G"), "The character \"G\" at column 2 is not a hex digit");
    EXPECT_EQ(problemOf("G4"), "The character \"G\" at column 1 is not a hex digit");
    EXPECT_EQ(problemOf("0x4D"), "The character \"x\" at column 2 is not a hex digit");
    EXPECT_EQ(problemOf("4D,5A"), "The character \",\" at column 3 is not a hex digit");
    EXPECT_EQ(problemOf("4D\n5A"), "The character \"\n\" at column 3 is not a hex digit");
    // Columns count characters, not UTF-8 bytes.
    EXPECT_EQ(problemOf("4D \xC3\xA9"), "The character \"\xC3\xA9\" at column 4 is not a hex digit");
    EXPECT_EQ(problemOf("4D 5\xE2\x82\xAC"), "The character \"\xE2\x82\xAC\" at column 5 is not a hex digit");
    EXPECT_EQ(parseHexBytes("4D 5", nullptr), std::nullopt);
}

// The plain reference: every start tried in turn.
std::optional<std::int64_t> plainFindBytes(const Bytes& hay, const Bytes& needle, std::int64_t from, bool forward)
{
    const auto size = static_cast<std::int64_t>(hay.size());
    const auto n = static_cast<std::int64_t>(needle.size());
    auto matchesAt = [&](std::int64_t s) { return std::equal(needle.begin(), needle.end(), hay.begin() + s); };
    if (n == 0)
        return std::nullopt;
    if (forward) {
        for (std::int64_t s = std::max<std::int64_t>(from, 0); s + n <= size; ++s)
            if (matchesAt(s))
                return s;
    } else {
        for (std::int64_t s = std::min(from, size) - n; s >= 0; --s)
            if (matchesAt(s))
                return s;
    }
    return std::nullopt;
}

// Bytes from a small alphabet, so that matches overlap and repeat: the four the display copy shows
// alike, the byte they become there, and one letter.
Bytes randomBytes(std::mt19937& rng, std::size_t count)
{
    static constexpr std::uint8_t kAlphabet[] = {0x00, 0x0A, 0x09, 0x0D, 0x01, 0x41};
    Bytes bytes(count);
    for (std::uint8_t& b : bytes)
        b = kAlphabet[rng() % std::size(kAlphabet)];
    return bytes;
}

TEST(BytePattern, FindsAsThePlainLoopFromEveryPositionBothWays)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 400; ++round) {
        // Exactly sized: a read past either end is a sanitizer's find.
        const Bytes hay = randomBytes(rng, rng() % 120);
        Bytes needle;
        if (!hay.empty() && rng() % 2 == 0) {  // a piece of the haystack, often at its very start or end
            const std::size_t n = 1 + rng() % std::min<std::size_t>(hay.size(), 6);
            const std::size_t choice = rng() % 4;
            const std::size_t at = choice == 0 ? 0 : choice == 1 ? hay.size() - n : rng() % (hay.size() - n + 1);
            needle.assign(hay.begin() + static_cast<std::ptrdiff_t>(at),
                          hay.begin() + static_cast<std::ptrdiff_t>(at + n));
        } else {
            needle = randomBytes(rng, 1 + rng() % 4);
        }
        const auto size = static_cast<std::int64_t>(hay.size());
        for (std::int64_t from = -2; from <= size + 2; ++from)
            for (const bool forward : {true, false})
                ASSERT_EQ(findBytes(hay, needle, from, forward), plainFindBytes(hay, needle, from, forward))
                    << "round " << round << " from " << from << (forward ? " forward" : " backward");
    }
    EXPECT_EQ(findBytes(Bytes{1, 2}, Bytes{}, 0, true), std::nullopt);
    EXPECT_EQ(findBytes(Bytes{}, Bytes{1}, 0, false), std::nullopt);
}

TEST(BytePattern, FindsAtTheEndsOfALargeBlock)
{
    std::mt19937 rng(3);
    std::string hay(1 << 20, '\0');
    for (char& c : hay)
        c = static_cast<char>(rng() % 255 + 1);  // never 0
    const std::string needle("\x00\x0A\x0D\x09", 4);
    hay.replace(hay.size() - 4, 4, needle);
    hay.replace(0, 4, needle);
    const auto size = static_cast<std::int64_t>(hay.size());
    EXPECT_EQ(findBytes(spanOf(hay), spanOf(needle), 0, true), 0);
    EXPECT_EQ(findBytes(spanOf(hay), spanOf(needle), 1, true), size - 4);
    EXPECT_EQ(findBytes(spanOf(hay), spanOf(needle), size - 3, true), std::nullopt);
    EXPECT_EQ(findBytes(spanOf(hay), spanOf(needle), size, false), size - 4);
    EXPECT_EQ(findBytes(spanOf(hay), spanOf(needle), size - 1, false), 0);
    EXPECT_EQ(findBytes(spanOf(hay), spanOf(needle), 3, false), std::nullopt);
}

}  // namespace
}  // namespace quillory
