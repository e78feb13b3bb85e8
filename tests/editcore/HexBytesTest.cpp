// Hex rows, offsets and the values the bytes at the caret stand for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editcore/HexBytes.h"

namespace quillory::hex {
namespace {

std::vector<std::string> valuesOf(std::initializer_list<std::uint8_t> bytes)
{
    const std::vector<std::uint8_t> v(bytes);
    return describeValues(v);
}

TEST(HexBytes, EightKnownBytesDecodeInEveryWidthAndOrder)
{
    // Worked out by hand (and with Python's struct): FE FF 00 00 00 00 F0 3F.
    EXPECT_EQ(valuesOf({0xFE, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F}),
              (std::vector<std::string>{
                  "8-bit   u 254 s -2",
                  "16-bit  LE u 65534 s -2  BE u 65279 s -257",
                  "32-bit  LE u 65534 s 65534  BE u 4278124544 s -16842752",
                  "64-bit  LE u 4607182418800082942 s 4607182418800082942",
                  "64-bit  BE u 18374405004694974527 s -72339069014577089",
                  "float   LE 9.18326936e-41  BE -1.69476569e+38",
                  "double  LE 1.0000000000145515  BE -5.3146826916813463e+303",
                  "UTF-8   (no character starts here)",
              }));
}

TEST(HexBytes, NearTheEndOnlyTheWidthsTheBytesReachAreShown)
{
    EXPECT_EQ(valuesOf({0xC3, 0xA9, 0x41}), (std::vector<std::string>{
                                                "8-bit   u 195 s -61",
                                                "16-bit  LE u 43459 s -22077  BE u 50089 s -15447",
                                                "UTF-8   U+00E9 \xC3\xA9",
                                            }));
    EXPECT_EQ(valuesOf({0x0A}), (std::vector<std::string>{"8-bit   u 10 s 10", "UTF-8   U+000A (control)"}));
    EXPECT_TRUE(valuesOf({}).empty());
    // A sequence cut short by the end of the document is no character.
    EXPECT_EQ(valuesOf({0xE2, 0x82}).back(), "UTF-8   (no character starts here)");
}

TEST(HexBytes, RowsShowOffsetPairsInTwoGroupsAndPrintableCharacters)
{
    const std::vector<std::uint8_t> row{'M',  'Z',  0x90, 0x00, 0x03, 0x0A, 0x0D, 0x09,
                                        0x7F, 0xFF, 'a',  ' ',  '~',  0x1F, 0x80, 'z'};
    EXPECT_EQ(rowText(0x1A0, row, 8), "000001A0  4D 5A 90 00 03 0A 0D 09  7F FF 61 20 7E 1F 80 7A  MZ........a ~..z");
    // A short last row keeps the characters column where the full rows have it.
    EXPECT_EQ(rowText(16, std::vector<std::uint8_t>{'h', 'i'}, 8),
              "00000010  68 69" + std::string(3 * 14 + 1, ' ') + "  hi");
    EXPECT_EQ(rowText(0x123456789, std::vector<std::uint8_t>{0}, 9).substr(0, 9), "123456789");
}

TEST(HexBytes, OffsetsGrowPastEightDigitsOnlyBeyondFourGibibytes)
{
    EXPECT_EQ(offsetDigits(0), 8);
    EXPECT_EQ(offsetDigits(std::int64_t{1} << 32), 8);  // the last offset is FFFFFFFF
    EXPECT_EQ(offsetDigits((std::int64_t{1} << 32) + 1), 9);
    EXPECT_EQ(offsetDigits(std::int64_t{1} << 40), 10);
}

TEST(HexBytes, DigitsAndNibbles)
{
    EXPECT_EQ(digitValue('0'), 0);
    EXPECT_EQ(digitValue('9'), 9);
    EXPECT_EQ(digitValue('a'), 10);
    EXPECT_EQ(digitValue('F'), 15);
    EXPECT_FALSE(digitValue('g'));
    EXPECT_FALSE(digitValue('G'));
    EXPECT_FALSE(digitValue(' '));
    EXPECT_FALSE(digitValue(U'\uFF10'));  // a full-width zero is no hex digit
    EXPECT_EQ(withHighNibble(0x5A, 0xC), 0xCA);
    EXPECT_EQ(withLowNibble(0x5A, 0x3), 0x53);
}

}  // namespace
}  // namespace quillory::hex
