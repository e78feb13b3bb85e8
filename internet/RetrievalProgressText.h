#pragma once
// The status-bar text of a running retrieval.

#include <cstdint>
#include <string>

namespace quillory {

// Digits in groups of three: 1234567 -> "1,234,567".
std::string groupedDigits(std::int64_t value);

// "Received 1,234 bytes", or with a known total "Received 1,234 of 5,678 bytes (21%)".
std::string retrievalProgressText(std::int64_t received, std::int64_t total);

}  // namespace quillory
