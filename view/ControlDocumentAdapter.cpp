#include "view/ControlDocumentAdapter.h"

#include "editcontrol/EditControl.h"

namespace quillory {

CharRange ControlDocumentAdapter::selection() const
{
    return m_control.selection();
}

void ControlDocumentAdapter::select(CharRange selection)
{
    m_control.select(selection.start, selection.end);
}

void ControlDocumentAdapter::emptyUndoBuffer()
{
    m_control.emptyUndoBuffer();
}

std::int64_t ControlDocumentAdapter::textLength() const
{
    return m_control.textLength();
}

void ControlDocumentAdapter::copyText(std::uint8_t* out) const
{
    m_control.copyText(out);
}

void ControlDocumentAdapter::setText(std::string_view bytes)
{
    m_control.setText(bytes);
}

bool ControlDocumentAdapter::isModified() const
{
    return m_control.isModified();
}

void ControlDocumentAdapter::setModified(bool modified)
{
    m_control.setModified(modified);
}

void ControlDocumentAdapter::takeFocus()
{
    m_control.takeFocus();
}

}  // namespace quillory
