// Word wrap, fonts, colours and help: they act on the whole control, never on the text.
#include "view/HelpWindow.h"
#include "view/QuilloryView.h"

namespace quillory {

void QuilloryView::OnWordWrap()
{
    m_wordWrap = !m_wordWrap;
    m_control->SetWordWrap(m_wordWrap);
}

void QuilloryView::OnSelectFonts()
{
    m_charFormat = m_control->GetDefaultCharFormat();
    if (m_services.fontColorDialogs != nullptr) {
        if (const std::optional<CharFormatA> chosen = m_services.fontColorDialogs->chooseFont(m_charFormat)) {
            m_charFormat = *chosen;
            m_control->SetDefaultCharFormat(m_charFormat);
        }
    }
    showFontPane();
    m_control->SetFocus();
}

void QuilloryView::OnFontColor()
{
    m_charFormat = m_control->GetDefaultCharFormat();
    if (m_services.fontColorDialogs == nullptr)
        return;
    const std::optional<ColorRef> chosen = m_services.fontColorDialogs->chooseColor(m_charFormat.crTextColor);
    if (!chosen)
        return;
    // Only the colour changes: the face, size and styles stay.
    CharFormatA colourOnly = m_charFormat;
    colourOnly.crTextColor = *chosen;
    colourOnly.dwMask = CFM_COLOR;
    colourOnly.dwEffects = 0;
    m_control->SetDefaultCharFormat(colourOnly);
    m_charFormat.dwMask |= CFM_COLOR;
    m_charFormat.crTextColor = *chosen;
}

void QuilloryView::OnBackgroundColor()
{
    if (m_services.fontColorDialogs == nullptr)
        return;
    if (const std::optional<ColorRef> chosen = m_services.fontColorDialogs->chooseColor(m_background)) {
        m_background = *chosen;
        m_control->SetBackgroundColor(m_background);
    }
}

void QuilloryView::OnHelpContents()
{
    if (m_helpWindow == nullptr) {
        m_helpWindow = new HelpWindow(window());
        m_helpWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

}  // namespace quillory
