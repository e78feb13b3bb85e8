#include "view/ControlDocumentAdapter.h"

#include "editcontrol/EditControl.h"

namespace quillory {

CharRange ControlDocumentAdapter::GetSel() const
{
    return m_control.GetSel();
}

void ControlDocumentAdapter::SetSel(CharRange selection)
{
    m_control.SetSel(selection.start, selection.end);
}

void ControlDocumentAdapter::EmptyUndoBuffer()
{
    m_control.EmptyUndoBuffer();
}

std::int64_t ControlDocumentAdapter::GetTextLength() const
{
    return m_control.GetTextLength();
}

void ControlDocumentAdapter::GetText(std::uint8_t* out) const
{
    m_control.GetText(out);
}

void ControlDocumentAdapter::SetText(std::string_view bytes)
{
    m_control.SetWindowText(bytes);
}

bool ControlDocumentAdapter::IsModified() const
{
    return m_control.GetModify();
}

void ControlDocumentAdapter::SetModify(bool modified)
{
    m_control.SetModify(modified);
}

void ControlDocumentAdapter::SetFocus()
{
    m_control.SetFocus();
}

}  // namespace quillory
