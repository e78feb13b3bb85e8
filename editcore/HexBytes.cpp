#include "editcore/HexBytes.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <utility>

#include "editcore/Utf8.h"

namespace quillory::hex {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// The first `width` bytes as an unsigned number, least significant byte first or last.
std::uint64_t unsignedOf(std::span<const std::uint8_t> bytes, int width, bool littleEndian)
{
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i) {
        const std::uint8_t b = bytes[static_cast<std::size_t>(littleEndian ? width - 1 - i : i)];
        value = (value << 8) | b;
    }
    return value;
}

std::int64_t signedOf(std::uint64_t value, int width)
{
    if (width == 8)
        return std::bit_cast<std::int64_t>(value);
    const std::uint64_t signBit = std::uint64_t{1} << (width * 8 - 1);
    return (value & signBit) != 0 ? static_cast<std::int64_t>(value) - static_cast<std::int64_t>(signBit << 1)
                                  : static_cast<std::int64_t>(value);
}

std::string integerText(std::uint64_t value, int width)
{
    char text[64];
    std::snprintf(text, sizeof text, "u %llu s %lld", static_cast<unsigned long long>(value),
                  static_cast<long long>(signedOf(value, width)));
    return text;
}

// "16-bit  LE u 23117 s 23117  BE u 19802 s 19802"; the 64-bit values take a line each.
std::vector<std::string> integerLines(std::span<const std::uint8_t> bytes, int width)
{
    char label[16];
    std::snprintf(label, sizeof label, "%d-bit", width * 8);
    std::string head = label;
    head.resize(8, ' ');
    if (width == 1)
        return {head + integerText(bytes[0], 1)};
    const std::string little = "LE " + integerText(unsignedOf(bytes, width, true), width);
    const std::string big = "BE " + integerText(unsignedOf(bytes, width, false), width);
    if (width == 8)
        return {head + little, head + big};
    return {head + little + "  " + big};
}

std::string floatLine(std::span<const std::uint8_t> bytes, int width)
{
    const auto asFloat = [width](std::uint64_t bits) {
        return width == 4 ? static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(bits)))
                          : std::bit_cast<double>(bits);
    };
    const int digits = width == 4 ? 9 : 17;  // enough to tell every value apart
    char line[160];
    std::snprintf(line, sizeof line, "%-8sLE %.*g  BE %.*g", width == 4 ? "float" : "double", digits,
                  asFloat(unsignedOf(bytes, width, true)), digits, asFloat(unsignedOf(bytes, width, false)));
    return line;
}

std::string utf8Line(std::span<const std::uint8_t> bytes)
{
    const utf8::Char c = utf8::decode(bytes.data(), bytes.size());
    if (!c.valid)
        return "UTF-8   (no character starts here)";
    char line[64];
    std::snprintf(line, sizeof line, "UTF-8   U+%04X ", static_cast<unsigned>(c.cp));
    std::string text = line;
    if (c.cp < 0x20 || c.cp == 0x7F || (c.cp >= 0x80 && c.cp < 0xA0))
        text += "(control)";
    else
        text += utf8::encode(c.cp);
    return text;
}

}  // namespace

int offsetDigits(std::int64_t size)
{
    int digits = 8;
    while (digits < 16 && size > (std::int64_t{1} << (4 * digits)))
        ++digits;
    return digits;
}

std::optional<int> digitValue(char32_t c)
{
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    return std::nullopt;
}

std::string rowText(std::int64_t offset, std::span<const std::uint8_t> bytes, int digits)
{
    std::string text;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        text += kDigits[(offset >> shift) & 0xF];
    text += ' ';
    for (int i = 0; i < kRowBytes; ++i) {
        text += i == kRowBytes / 2 ? "  " : " ";
        if (i < static_cast<int>(bytes.size())) {
            text += kDigits[bytes[static_cast<std::size_t>(i)] >> 4];
            text += kDigits[bytes[static_cast<std::size_t>(i)] & 0xF];
        } else {
            text += "  ";
        }
    }
    text += "  ";
    for (const std::uint8_t b : bytes)
        text += b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.';
    return text;
}

std::vector<std::string> describeValues(std::span<const std::uint8_t> bytes)
{
    std::vector<std::string> lines;
    for (const int width : {1, 2, 4, 8}) {
        if (static_cast<int>(bytes.size()) >= width) {
            for (std::string& line : integerLines(bytes, width))
                lines.push_back(std::move(line));
        }
    }
    for (const int width : {4, 8}) {
        if (static_cast<int>(bytes.size()) >= width)
            lines.push_back(floatLine(bytes, width));
    }
    if (!bytes.empty())
        lines.push_back(utf8Line(bytes));
    return lines;
}

}  // namespace quillory::hex
