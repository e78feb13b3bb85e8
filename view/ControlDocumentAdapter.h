#pragma once
// The edit control as the document sees it: the view hands the document this adapter, so the
// control itself knows nothing of documents.

#include "document/DocumentInterfaces.h"

namespace quillory {

class EditControl;

class ControlDocumentAdapter final : public IDocumentControl {
public:
    // Adapts `control`, which must outlive the adapter.
    explicit ControlDocumentAdapter(EditControl& control) : m_control(control) {}

    CharRange selection() const override;
    void select(CharRange selection) override;
    void emptyUndoBuffer() override;
    std::int64_t textLength() const override;
    void copyText(std::uint8_t* out) const override;
    void setText(std::string_view bytes) override;
    bool isModified() const override;
    void setModified(bool modified) override;
    void takeFocus() override;

private:
    EditControl& m_control;  // the view's control
};

}  // namespace quillory
