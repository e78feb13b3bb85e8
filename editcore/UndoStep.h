#pragma once
// The control's one undo step. Undoing swaps the text back and leaves the inverse step behind,
// so a second undo redoes. Consecutive typing (or Backspace, or Delete) grows the open step.

#include <cstdint>
#include <string>

namespace quillory {

enum class EditKind { Other, Typing, Backspace, Delete };

struct UndoStep {
    std::int64_t pos = 0;             // where the change happened
    std::string removed;              // bytes the change removed (restored by undo)
    std::int64_t insertedLength = 0;  // bytes the change inserted at pos (removed by undo)
    EditKind kind = EditKind::Other;  // what made it, for merging
    bool open = false;                // the next edit of the same kind may join it
};

}  // namespace quillory
