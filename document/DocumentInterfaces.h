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
    virtual void onUpdate() = 0;
};

// The edit control operations that the storage edits and the File commands rely on.
class IDocumentControl {
public:
    virtual ~IDocumentControl() = default;
    virtual CharRange selection() const = 0;  // current selection, start <= end
    virtual void select(CharRange selection) = 0;
    virtual void emptyUndoBuffer() = 0;                  // the control forgets its one-step undo
    virtual std::int64_t textLength() const = 0;         // bytes of text
    virtual void copyText(std::uint8_t* out) const = 0;  // the whole text, textLength() bytes
    virtual void setText(std::string_view bytes) = 0;    // replaces the whole text
    virtual bool isModified() const = 0;                 // changed since the last load, New or save
    virtual void setModified(bool modified) = 0;
    virtual void takeFocus() = 0;  // the view takes the keyboard focus
};

// Framework services of the application around the document.
class IDocumentHost {
public:
    virtual ~IDocumentHost() = default;
    virtual void titleChanged(const std::string& title) = 0;
    virtual void beginWaitCursor() = 0;
    virtual void endWaitCursor() = 0;
};

// Told what becomes of the document's changes as a whole (the recovery journal listens).
class IDocumentChanges {
public:
    virtual ~IDocumentChanges() = default;
    // The document was written to path, which is on the disk now. fileHoldsDocument is false when
    // the file's bytes differ from the document's (a TEXT document converted to OEM as it was saved).
    virtual void documentSaved(const std::string& path, bool fileHoldsDocument) = 0;
    // The user answered No to saving the changes: they may go.
    virtual void changesGivenUp() = 0;
};

}  // namespace quillory
