#pragma once
// Bytes as a hex editor shows them: rows of 16 with their offset, hex digits typed a nibble at a
// time, and the values the bytes at the caret stand for. No widgets.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillory::hex {

inline constexpr int kRowBytes = 16;

// Hex digits of the offsets of a document of `size` bytes: 8, more when offsets pass 4 GiB.
int offsetDigits(std::int64_t size);
// The value of a hex digit, either case; none for any other character.
std::optional<int> digitValue(char32_t c);
// The byte after typing digit as the high nibble of `byte` (its low nibble stays).
constexpr std::uint8_t withHighNibble(std::uint8_t byte, int digit)
{
    return static_cast<std::uint8_t>((digit << 4) | (byte & 0x0F));
}
constexpr std::uint8_t withLowNibble(std::uint8_t byte, int digit)
{
    return static_cast<std::uint8_t>((byte & 0xF0) | digit);
}

// One row as text: "0000001A  4D 5A 90 00 03 00 00 00  04 00 00 00 FF FF 00 00  MZ.............."; the
// characters column shows printable ASCII and '.' for every other byte. A short last row is padded.
std::string rowText(std::int64_t offset, std::span<const std::uint8_t> bytes, int digits);

// What the bytes from the caret on stand for, one line per width: unsigned and signed, little- and
// big-endian, the IEEE floats, and the UTF-8 character that starts there. A width the bytes do not
// reach is left out.
std::vector<std::string> describeValues(std::span<const std::uint8_t> bytes);

}  // namespace quillory::hex
