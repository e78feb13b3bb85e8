#pragma once
// Stand-ins for the view and its control: the view copies the document's text on every update, as
// the real control does, and the control reports a selection that the test sets.

#include <algorithm>
#include <cstring>
#include <string>

#include "document/QuilloryDoc.h"

namespace quillory::test {

class ControlStandIn final : public IDocumentView, public IDocumentControl {
public:
    explicit ControlStandIn(QuilloryDoc& doc) : m_doc(doc)
    {
        doc.attachView(this);
        doc.setControl(this);
    }
    ~ControlStandIn() override
    {
        m_doc.detachView(this);
        m_doc.setControl(nullptr);
    }

    // Takes a loaded BINARY file's display copy, else the storage as a zero-terminated string, like
    // the control's set-text, into memory backed by huge pages as the control's own buffer is.
    void onUpdate() override
    {
        ++updates;
        std::size_t offset = 0;
        const HeapBlock display = m_doc.takeDisplayBlock(offset);
        const char* bytes =
            reinterpret_cast<const char*>(display.ok() ? display.data() + offset : m_doc.storage().bytes());
        const std::size_t length = bytes != nullptr ? std::strlen(bytes) : 0;
        text.clear();
        text.reserve(length);
        adviseHugePages(text.data(), length);
        text.assign(bytes != nullptr ? bytes : "", length);
        modified = false;
    }
    CharRange selection() const override { return selected; }
    // As the real control: in order, inside the text.
    void select(CharRange range) override
    {
        const auto length = static_cast<Position>(text.size());
        const Position start = std::clamp<Position>(std::min(range.start, range.end), 0, length);
        const Position end = std::clamp<Position>(std::max(range.start, range.end), 0, length);
        selected = {start, end};
    }
    void emptyUndoBuffer() override { ++undoBufferEmptied; }
    std::int64_t textLength() const override { return static_cast<std::int64_t>(text.size()); }
    void copyText(std::uint8_t* out) const override { std::memcpy(out, text.data(), text.size()); }
    // As the real control: a new text starts unselected and unmodified.
    void setText(std::string_view bytes) override
    {
        text.assign(bytes);
        selected = {};
        modified = false;
    }
    bool isModified() const override { return modified; }
    void setModified(bool value) override { modified = value; }
    void takeFocus() override { ++focusTaken; }

    std::string text;
    CharRange selected;
    bool modified = false;
    int updates = 0;
    int undoBufferEmptied = 0;
    int focusTaken = 0;

private:
    QuilloryDoc& m_doc;
};

}  // namespace quillory::test
