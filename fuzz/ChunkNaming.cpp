// The split naming rule against a plain reading: chunk sizes of the choices and of a custom text
// of at most nine digits, the chunk count (length / size rounded up, at least 1), the digit width
// (the count's digits; 10 numbers without leading zeros), and names that, padded to one width,
// sort in the order of their numbers so that a join in name order restores the source.
#include <string>

#include "FuzzSupport.h"
#include "splitjoin/ChunkNaming.h"

namespace quillory::fuzz {
namespace {

std::uint64_t plainSize(int choice, const std::string& custom)
{
    if (choice == Chunk720K)
        return 720000;
    if (choice == Chunk1200K)
        return 1200000;
    if (choice == Chunk144MB)
        return 1450000;
    if (choice != ChunkCustom)
        return 0;
    const std::size_t digits = custom.find_first_not_of("0123456789");
    const std::string number = custom.substr(0, digits);
    return number.empty() ? 0 : std::stoull(number);
}

int plainWidth(std::uint64_t count)
{
    const int digits = static_cast<int>(std::to_string(count).size());
    return digits > 10 ? 10 : digits;
}

std::string plainExtension(std::uint64_t number, int width)
{
    std::string digits = std::to_string(number);
    while (width < 10 && static_cast<int>(digits.size()) < width)
        digits = "0" + digits;
    return "." + digits;
}

}  // namespace

QUILLORY_FUZZ_TARGET(input)
{

    const int choice = static_cast<int>(input.byte() % 7) - 1;
    const std::string custom(input.bytes(input.byte() % (kCustomSizeMaxChars + 1)));
    const std::uint64_t chosen = chunkSizeFor(choice, custom);
    FUZZ_CHECK(chosen == plainSize(choice, custom));

    // Any length against a size the split accepts (it refuses 0); small sizes come often.
    const std::uint64_t length = input.u32() | static_cast<std::uint64_t>(input.u32()) << 32;
    std::uint64_t chunk =
        input.flag() ? chosen : (input.u32() | static_cast<std::uint64_t>(input.u32()) << 32) >> input.byte() % 64;
    if (chunk == 0)
        chunk = 1;
    const std::uint64_t count = chunkCount(length, chunk);
    FUZZ_CHECK(count == (length == 0 ? 1 : (length - 1) / chunk + 1));
    const int width = chunkDigitWidth(count);
    FUZZ_CHECK(width == plainWidth(count));

    // The names of the chunks around the count and around each power of ten below it.
    std::string previous;
    for (std::uint64_t power = 1, last = 0;; power *= 10) {
        for (std::uint64_t k = power > 2 ? power - 2 : 1; k <= power + 1 && k <= count; ++k) {
            if (k <= last)
                continue;
            const std::string name = chunkExtension(k, width);
            FUZZ_CHECK(name == plainExtension(k, width));
            if (width < 10) {
                FUZZ_CHECK(name.size() == static_cast<std::size_t>(width) + 1);
                FUZZ_CHECK(previous < name);
            }
            previous = name;
            last = k;
        }
        if (power > count / 10)
            break;
    }
    const std::string lastName = chunkExtension(count, width);
    FUZZ_CHECK(lastName == plainExtension(count, width) && lastName.size() <= 21);
}

}  // namespace quillory::fuzz
