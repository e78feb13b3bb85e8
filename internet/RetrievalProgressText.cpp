#include "internet/RetrievalProgressText.h"

namespace quillory {

std::string groupedDigits(std::int64_t value)
{
    std::string digits = std::to_string(value);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    return digits;
}

namespace {

// received * 100 takes up to 71 bits.
__extension__ typedef __int128 Wide;

}  // namespace

std::string retrievalProgressText(std::int64_t received, std::int64_t total)
{
    if (total <= 0)
        return "Received " + groupedDigits(received) + " bytes";
    const auto percent = received >= total ? 100 : static_cast<std::int64_t>(static_cast<Wide>(received) * 100 / total);
    return "Received " + groupedDigits(received) + " of " + groupedDigits(total) + " bytes (" +
           std::to_string(percent) + "%)";
}

}  // namespace quillory
