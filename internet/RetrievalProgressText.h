#pragma once
// The status-bar text of a running retrieval.

#include <cstdint>
#include <string>

namespace quillory {

// "Received 1,234 bytes", or with a known total "Received 1,234 of 5,678 bytes (21%)".
std::string retrievalProgressText(std::int64_t received, std::int64_t total);

}  // namespace quillory
