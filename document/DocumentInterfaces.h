#pragma once
// What the document needs of the objects around it. Each is small so that the document runs in
// tests with stand-ins and no widgets.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/CharRange.h"

namespace quillory {

// A view of the document. UpdateAllViews calls OnUpdate on each; the view then reads the document
// (its storage, mode and insert flag) and must be done reading before it returns. A view without
// the memory for what it is to show throws std::bad_alloc and keeps showing what it showed.
class IDocumentView {
public:
    virtual ~IDocumentView() = default;
    virtual void OnUpdate() = 0;
};

// The edit control operations that the storage edits and the File commands rely on.
class IDocumentControl {
public:
    virtual ~IDocumentControl() = default;
    virtual CharRange GetSel() const = 0;           // current selection, start <= end
    virtual void SetSel(CharRange selection) = 0;
    virtual void EmptyUndoBuffer() = 0;             // the control forgets its one-step undo
    virtual std::int64_t GetTextLength() const = 0;  // bytes of text
    virtual void GetText(std::uint8_t* out) const = 0;  // the whole text, GetTextLength() bytes
    virtual void SetText(std::string_view bytes) = 0;   // replaces the whole text
    virtual bool IsModified() const = 0;            // changed since the last load, New or save
    virtual void SetModify(bool modified) = 0;
    virtual void SetFocus() = 0;                    // the view takes the keyboard focus
};

// Framework services of the application around the document.
class IDocumentHost {
public:
    virtual ~IDocumentHost() = default;
    virtual void titleChanged(const std::string& title) = 0;
    virtual void beginWaitCursor() = 0;
    virtual void endWaitCursor() = 0;
};

}  // namespace quillory
