#include "document/ByteClassifier.h"

#include <algorithm>
#include <cstring>

namespace quillory {

namespace {

// Scanned in blocks so the inner loop has no early exit and vectorises; the block size keeps
// the work after the first binary byte small.
constexpr std::size_t kScanBlock = std::size_t{16} * 1024;

bool blockHasBinaryByte(const std::uint8_t* bytes, std::size_t count)
{
    // Byte-wide arithmetic only, so that the loop vectorises to 16 or 32 bytes a step.
    std::uint8_t found = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        const std::uint8_t fromFourteen = static_cast<std::uint8_t>(b - 14);
        found |= static_cast<std::uint8_t>((b < 9) | (fromFourteen < 18));
    }
    return found != 0;
}

}  // namespace

bool isBinary(const std::uint8_t* bytes, std::size_t count)
{
    for (std::size_t offset = 0; offset < count; offset += kScanBlock) {
        if (blockHasBinaryByte(bytes + offset, std::min(kScanBlock, count - offset)))
            return true;
    }
    return false;
}

void makeDisplayCopy(std::uint8_t* bytes, std::size_t count)
{
    makeDisplayCopy(bytes, bytes, count);
}

void makeDisplayCopy(const std::uint8_t* from, std::uint8_t* to, std::size_t count)
{
    // Sixteen bytes a step with vector compares; GCC does not vectorise the plain loop.
    using Lanes = std::uint8_t __attribute__((vector_size(16)));
    std::size_t i = 0;
    for (; i + sizeof(Lanes) <= count; i += sizeof(Lanes)) {
        Lanes v;
        std::memcpy(&v, from + i, sizeof v);
        const auto hidden = reinterpret_cast<Lanes>((v == 0) | (v == 9) | (v == 10) | (v == 13));
        v = (v & ~hidden) | (hidden & 1);
        std::memcpy(to + i, &v, sizeof v);
    }
    for (; i < count; ++i)
        to[i] = displayByte(from[i]);
}

}  // namespace quillory
