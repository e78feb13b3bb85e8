#pragma once

#include <cstdint>

namespace quillory {

// A position in the text of the edit control or the document: a byte offset.
using Position = std::int64_t;

// A range of the text as byte positions [start, end), such as the control's selection.
struct CharRange {
    Position start = 0;
    Position end = 0;

    bool empty() const { return start == end; }
    bool operator==(const CharRange&) const = default;
};

}  // namespace quillory
