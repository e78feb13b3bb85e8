#pragma once

#include <cstdint>

namespace quillory {

// A selection of the edit control as character positions [start, end); one character per byte.
struct CharRange {
    std::int32_t start = 0;
    std::int32_t end = 0;

    bool empty() const { return start == end; }
    bool operator==(const CharRange&) const = default;
};

}  // namespace quillory
