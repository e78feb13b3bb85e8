#pragma once
// The editing state behind the control, without widgets: the text, the selection, the one-step
// alternating undo, the modified flag and the text limit. Every change of the text goes through
// replaceRange, which reports it to the listener once.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/HeapBlock.h"
#include "base/LongWork.h"
#include "editcore/TextBuffer.h"
#include "editcore/TextEncoding.h"
#include "editcore/TextFinder.h"
#include "editcore/UndoStep.h"

namespace quillory {

struct TextChange {
    std::int64_t offset = 0;     // where the text changed
    std::int64_t removed = 0;    // bytes removed at offset
    std::int64_t inserted = 0;   // bytes inserted at offset
    std::int64_t lineDelta = 0;  // lines added (negative: removed)
    bool wholeText = false;      // the whole text was replaced
};

class EditModelListener {
public:
    virtual ~EditModelListener() = default;
    virtual void onTextChanged(const TextChange&) {}
    virtual void onSelectionChanged() {}
    virtual void onModifiedChanged(bool) {}
    virtual void onUndoAvailableChanged(bool) {}
};

// Replace All, worked out without changing the text: the span from the first match's start to the
// last one's end, its new bytes and its old ones (for the undo step).
struct ReplacePlan {
    std::int64_t count = 0;      // matches replaced; 0: nothing to do
    std::int64_t spanStart = 0;  // where the first match starts
    std::int64_t removed = 0;    // the span's length
    HeapBlock inserted;          // the span as it becomes
    std::int64_t insertedLength = 0;
    std::string old;  // the span as it was, with room for the way back
};

class EditModel {
public:
    static constexpr std::int64_t kDefaultLimit = 2147483646;  // 2^31 - 2

    explicit EditModel(std::size_t minGapBytes = std::size_t{64} * 1024) : m_text(minGapBytes) {}

    void setListener(EditModelListener* listener) { m_listener = listener; }

    // Replaces the whole text by bytes up to the first 0 byte (or the limit); caret at 0,
    // nothing to undo, not modified.
    void setText(std::string_view bytes);
    // The same for a block whose bytes [offset, offset + length) are the text, whose ownership
    // passes to the model: no copy; [0, offset) is the gap, where the first edits at the start
    // cost nothing. Without the memory to index it, the block stays the caller's (std::bad_alloc).
    void adoptText(HeapBlock&& block, std::size_t length, std::size_t offset = 0);
    const TextBuffer& text() const { return m_text; }
    TextBuffer& text() { return m_text; }
    std::int64_t length() const { return m_text.size(); }

    // How the bytes read as characters. Switching only reinterprets: no byte changes, and the
    // selection's ends move back to the start of the character that holds them.
    TextEncoding encoding() const { return m_encoding; }
    void setEncoding(TextEncoding encoding);
    // The start of the character that holds pos, and the steps to the next and previous ones.
    std::int64_t charStart(std::int64_t pos) const;
    std::int64_t nextChar(std::int64_t pos) const;
    std::int64_t prevChar(std::int64_t pos) const;

    std::int64_t anchor() const { return m_anchor; }
    std::int64_t caret() const { return m_caret; }
    std::int64_t selectionStart() const { return std::min(m_anchor, m_caret); }
    std::int64_t selectionEnd() const { return std::max(m_anchor, m_caret); }
    bool hasSelection() const { return m_anchor != m_caret; }
    // Selects [anchor, caret) with the caret at `caret`; both clamped to the text and moved to
    // the start of the character that holds them. Closes the open undo step when the selection
    // really moves.
    void setSelection(std::int64_t anchor, std::int64_t caret);
    // The Windows form: end -1 means the text's end; start -1 removes the selection.
    void select(std::int64_t start, std::int64_t end);

    // Replaces the selection by bytes (cut at the limit); the caret ends after them. Returns the
    // bytes inserted. Undoable replacements record one step; others empty the undo buffer.
    std::int64_t replaceSelection(std::string_view bytes, bool undoable, EditKind kind = EditKind::Other);
    // Types byte b: replaces the selection, overwrites the byte at the caret, or inserts.
    bool typeByte(std::uint8_t b, bool overwrite);
    // Types one character, given as its bytes in the text's encoding: replaces the selection,
    // overwrites the character at the caret, or inserts. False when the limit leaves no room.
    bool typeCharacter(std::string_view bytes, bool overwrite);
    // Backspace and Delete: the selection, or the character (a CR LF pair counts as one) before
    // or after the caret. False when there was nothing to delete.
    bool deleteBackward();
    bool deleteForward();

    // Replaces every match of needle, found forward from the start without overlaps as Find
    // finds them, by replacement, as one undo step and one change; the caret ends after the last
    // replacement. Replacements that would pass the limit are left out. Returns how many were made.
    std::int64_t replaceAll(std::string_view needle, std::string_view replacement, const FindOptions& options);
    // The same in two halves: the plan reads the text only (on the thread of long work, reporting
    // progress; nothing when cancelled), then applying it changes the text at once.
    std::optional<ReplacePlan> planReplaceAll(std::string_view needle, std::string_view replacement,
                                              const FindOptions& options, WorkProgress* progress) const;
    std::int64_t applyReplaceAll(ReplacePlan&& plan);

    bool canUndo() const { return m_undo.has_value(); }
    void undo();
    void emptyUndoBuffer();
    // Ends the open step, so that the next typing starts a new one.
    void closeUndoStep()
    {
        if (m_undo)
            m_undo->open = false;
    }

    bool modified() const { return m_modified; }
    void setModified(bool modified);

    // Bytes held: the text, its line index and the undo step; for memory reports.
    std::size_t memoryBytes() const { return m_text.memoryBytes() + (m_undo ? m_undo->removed.capacity() : 0); }

    std::int64_t limit() const { return m_limit; }
    void setLimit(std::int64_t limit) { m_limit = limit > 0 ? limit : kDefaultLimit; }

private:
    // How many of the bytes a set text keeps: up to the first 0 byte, at most the limit.
    std::size_t acceptedLength(std::string_view bytes) const;
    // Caret, undo, notifications and modified flag after the whole text was replaced.
    void afterWholeTextReplaced(std::int64_t oldLength, std::int64_t oldLines);
    // The one path that changes the text: replaces [pos, pos + removed) by bytes.
    void replaceRange(std::int64_t pos, std::int64_t removed, std::string_view bytes);
    // Tells the listener of a replacement already made in the text, and sets the modified flag.
    void textReplaced(std::int64_t pos, std::int64_t removed, std::int64_t inserted, std::int64_t linesBefore);
    void setUndo(std::optional<UndoStep> step);
    // Records the replacement of [pos, pos + removed) by inserted bytes, merging when it continues
    // the open step of the same kind; call before the text changes.
    void record(std::int64_t pos, std::int64_t removed, std::int64_t inserted, EditKind kind);
    void moveCaret(std::int64_t pos);
    // The selection's ends moved back to character starts (UTF-8 only).
    void snapSelection();

    TextBuffer m_text;
    std::int64_t m_anchor = 0;                            // fixed end of the selection
    std::int64_t m_caret = 0;                             // moving end of the selection, where the caret is
    std::optional<UndoStep> m_undo;                       // the one step undo swaps
    bool m_modified = false;                              // changed since the flag was cleared
    std::int64_t m_limit = kDefaultLimit;                 // most bytes the text may hold
    TextEncoding m_encoding = TextEncoding::Windows1252;  // how the bytes read as characters
    EditModelListener* m_listener = nullptr;              // told of every change
};

}  // namespace quillory
