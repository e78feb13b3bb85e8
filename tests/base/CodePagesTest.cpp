#include <gtest/gtest.h>

#include "base/CodePages.h"

namespace quillory::test {
namespace {

TEST(CodePages, AnsiToOemSpotChecks)
{
    const std::pair<int, int> expected[] = {
        {0xE9, 0x82}, {0xC7, 0x80}, {0xFC, 0x81}, {0xA0, 0xFF}, {0xDF, 0xE1},
        {0x80, 0x3F}, {0xC0, 0x41}, {0xA9, 0x63}, {0x96, 0x2D}, {0x93, 0x22},
    };
    for (auto [ansi, oem] : expected)
        EXPECT_EQ(ansiToOem(static_cast<std::uint8_t>(ansi)), oem) << std::hex << ansi;
    for (int b = 0; b < 0x80; ++b)
        EXPECT_EQ(ansiToOem(static_cast<std::uint8_t>(b)), b);
}

TEST(CodePages, BufferConversionIsInPlace)
{
    std::uint8_t text[] = {'c', 0xE9, 0x80, 'z'};
    charToOemBuffer(text, sizeof text);
    EXPECT_EQ(text[0], 'c');
    EXPECT_EQ(text[1], 0x82);
    EXPECT_EQ(text[2], '?');
    EXPECT_EQ(text[3], 'z');
}

TEST(CodePages, Windows1252RoundTripsAllBytes)
{
    EXPECT_EQ(cp1252ToUnicode(0x80), u'\u20AC');
    EXPECT_EQ(cp1252ToUnicode(0x81), u'\u0081');
    EXPECT_EQ(cp1252ToUnicode(0x9F), u'\u0178');
    EXPECT_EQ(cp1252ToUnicode(0xE9), u'\u00E9');
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(unicodeToCp1252(cp1252ToUnicode(static_cast<std::uint8_t>(b))), b);
    EXPECT_FALSE(unicodeToCp1252(0x0080).has_value());  // shown by 0x80 only as the euro sign
    EXPECT_FALSE(unicodeToCp1252(0x4E00).has_value());
    EXPECT_FALSE(unicodeToCp1252(0x1F600).has_value());
}

}  // namespace
}  // namespace quillory::test
