#pragma once
// Finding a byte string in the text: forward from a position or backward before it, with or
// without case, optionally whole words only.

#include <cstdint>
#include <optional>
#include <string_view>

#include "editcore/TextBuffer.h"

namespace quillory {

struct FindOptions {
    bool matchCase = false;   // otherwise Windows-1252 letters match either case
    bool wholeWord = false;   // the match neither starts nor ends inside a word
    bool backward = false;    // the last match that ends at or before `from`
};

struct FoundRange {
    std::int64_t start = 0;
    std::int64_t end = 0;     // half-open
    bool operator==(const FoundRange&) const = default;
};

// Searches for needle from `from` (forward: matches starting at or after it; backward: matches
// ending at or before it). May move the buffer's gap; the text is unchanged.
std::optional<FoundRange> findText(TextBuffer& text, std::string_view needle, std::int64_t from,
                                   const FindOptions& options);

}  // namespace quillory
