#pragma once
// A fast 64-bit checksum for the recovery journal: of the base file's bytes and of every record.
// Not cryptographic; it tells a torn or damaged record, or a changed base file, from the right one.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillory {

// The checksum of bytes held whole.
std::uint64_t contentChecksum(std::span<const std::uint8_t> bytes);

// The checksum of bytes that arrive in pieces (a file read block by block): value() equals
// contentChecksum() of all the bytes added, however they were cut into pieces.
class ContentChecksum {
public:
    ContentChecksum();
    void add(std::span<const std::uint8_t> bytes);
    std::uint64_t value() const;

private:
    std::uint64_t m_chain;                // the checksum chained over the whole blocks so far
    std::uint64_t m_length = 0;           // bytes added
    std::vector<std::uint8_t> m_partial;  // the bytes of the block not yet whole
};

}  // namespace quillory
