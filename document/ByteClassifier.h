#pragma once
// The TEXT/BINARY rule and the display copy shared by loading, inserting files and downloads.

#include <cstddef>
#include <cstdint>

namespace quillory {

// True when the bytes hold a value 0-8 or 14-31: such content is edited as BINARY.
bool isBinary(const std::uint8_t* bytes, std::size_t count);

// Turns bytes into their display copy in place: 0, 9, 10 and 13 become 1, every other byte stays.
void makeDisplayCopy(std::uint8_t* bytes, std::size_t count);
// Writes the display copy of count bytes at from to `to` (the same place or one that does not
// overlap it).
void makeDisplayCopy(const std::uint8_t* from, std::uint8_t* to, std::size_t count);

// The display character of one byte.
constexpr std::uint8_t displayByte(std::uint8_t b)
{
    return (b == 0 || b == 9 || b == 10 || b == 13) ? std::uint8_t{1} : b;
}

}  // namespace quillory
