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

    CharRange GetSel() const override;
    void SetSel(CharRange selection) override;
    void EmptyUndoBuffer() override;
    std::int64_t GetTextLength() const override;
    void GetText(std::uint8_t* out) const override;
    void SetText(std::string_view bytes) override;
    bool IsModified() const override;
    void SetModify(bool modified) override;
    void SetFocus() override;

private:
    EditControl& m_control;  // the view's control
};

}  // namespace quillory
