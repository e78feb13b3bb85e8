#include "document/ByteClassifier.h"

#include <algorithm>

namespace quillory {

namespace {

// Scanned in blocks so the inner loop has no early exit and vectorises; the block size keeps
// the work after the first binary byte small.
constexpr std::size_t kScanBlock = 16 * 1024;

bool blockHasBinaryByte(const std::uint8_t* bytes, std::size_t count)
{
    unsigned found = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        found |= static_cast<unsigned>(b < 9) | static_cast<unsigned>(b - 14u < 18u);
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
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = displayByte(bytes[i]);
}

}  // namespace quillory
