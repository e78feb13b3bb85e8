#pragma once
// Strip HTML tags (F10): removes every markup tag and script block from a TEXT document and
// empties the control's undo buffer. Texts up to 7000 characters are stripped by finding and
// deleting through the edit control; larger ones in one pass over a private copy.
//
// The view adapts its edit control to IStripHtmlControl and calls
//   onStripHtmlTags(adapter, boxes, doc.mode() == DocumentMode::Text);
// The command is enabled only in TEXT mode.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "base/ByteHeap.h"
#include "base/LongWork.h"
#include "base/MessageBox.h"

namespace quillory {

// Up to this many characters the control path is used; above it the buffer path.
inline constexpr std::int64_t kStripHtmlControlPathLimit = 7000;

// A found range of the control's text, [start, end) in character positions.
struct TextMatch {
    std::int64_t start = 0;
    std::int64_t end = 0;

    bool operator==(const TextMatch&) const = default;
};

// What the command needs of the edit control and the window around it.
class IStripHtmlControl {
public:
    virtual ~IStripHtmlControl() = default;
    virtual std::int64_t textLength() const = 0;
    // The first occurrence of pattern that starts at `from` or later, letters compared without
    // regard to case; nothing when there is none.
    virtual std::optional<TextMatch> findNoCase(std::string_view pattern, std::int64_t from) const = 0;
    virtual void setSelection(std::int64_t start, std::int64_t end) = 0;
    virtual void clearSelection() = 0;                              // deletes the selected characters
    virtual void copyText(std::uint8_t* out) const = 0;             // the whole text, textLength() bytes
    virtual void setText(std::span<const std::uint8_t> bytes) = 0;  // replaces the whole text
    // Marks the document modified. Replacing the whole text may clear the control's modified
    // flag as loading does; a stripped document must still ask to be saved.
    virtual void setModified() = 0;
    virtual void hideSelection(bool hidden) = 0;
    virtual void emptyUndoBuffer() = 0;
    virtual void beginWaitCursor() = 0;
    virtual void endWaitCursor() = 0;
};

// The control path: script blocks first, then every other tag, each found and deleted through
// the control.
void stripHtmlThroughControl(IStripHtmlControl& control);

// The buffer path: copies the text, strips it in one pass (as long work, beside the window) and,
// when anything was removed, puts the result back as the whole text and marks the document
// modified. The control stays untouched when the copy cannot be allocated and when the user
// cancelled the pass.
enum class StripOutcome { Stripped, NoMemory, Cancelled };
StripOutcome stripHtmlThroughBuffer(IStripHtmlControl& control, IByteHeap& heap, ILongWork& longWork = workInPlace());

// The whole command. Does nothing in BINARY mode (where the command is disabled); a cancelled one
// leaves the text, the selection and the undo buffer as they were.
void onStripHtmlTags(IStripHtmlControl& control, IMessageBoxes& boxes, bool textMode, IByteHeap& heap = cHeap(),
                     ILongWork& longWork = workInPlace());

MessageBoxRequest stripHtmlNoMemoryMessage();

}  // namespace quillory
