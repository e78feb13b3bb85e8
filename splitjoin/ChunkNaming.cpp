#include "splitjoin/ChunkNaming.h"

namespace quillory {

std::uint64_t chunkSizeFor(int choice, const std::string& customText)
{
    switch (choice) {
    case Chunk720K: return 720000;
    case Chunk1200K: return 1200000;
    case Chunk144MB: return 1450000;
    case ChunkCustom: {
        std::uint64_t size = 0;
        for (const char c : customText) {
            if (c < '0' || c > '9')
                break;
            size = size * 10 + static_cast<std::uint64_t>(c - '0');
        }
        return size;
    }
    default: return 0;
    }
}

std::uint64_t chunkCount(std::uint64_t length, std::uint64_t chunk)
{
    const std::uint64_t count = length / chunk + (length % chunk != 0 ? 1 : 0);
    return count == 0 ? 1 : count;
}

int chunkDigitWidth(std::uint64_t count)
{
    int width = 1;
    for (std::uint64_t limit = 10; width < 10 && count >= limit; limit *= 10)
        ++width;
    return width;
}

std::string chunkExtension(std::uint64_t number, int width)
{
    std::string digits = std::to_string(number);
    if (width < 10 && digits.size() < static_cast<std::size_t>(width))
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return "." + digits;
}

}  // namespace quillory
