// Word wrap, fonts, colours and help: they act on the whole control, never on the text.
#include "view/HelpWindow.h"
#include "view/QuilloryView.h"

namespace quillory {

void QuilloryView::onWordWrap()
{
    m_wordWrap = !m_wordWrap;
    m_control->setWordWrap(m_wordWrap);
}

void QuilloryView::onSelectFonts()
{
    m_charFormat = m_control->defaultCharFormat();
    if (m_services.fontColorDialogs != nullptr) {
        if (const std::optional<CharFormat> chosen = m_services.fontColorDialogs->chooseFont(m_charFormat)) {
            m_charFormat = *chosen;
            m_control->setDefaultCharFormat(m_charFormat);
        }
    }
    showFontPane();
    m_control->takeFocus();
}

void QuilloryView::onFontColor()
{
    m_charFormat = m_control->defaultCharFormat();
    if (m_services.fontColorDialogs == nullptr)
        return;
    const std::optional<ColorRef> chosen = m_services.fontColorDialogs->chooseColor(m_charFormat.textColor);
    if (!chosen)
        return;
    // Only the colour changes: the face, size and styles stay.
    CharFormat colourOnly = m_charFormat;
    colourOnly.textColor = *chosen;
    colourOnly.mask = kMaskColor;
    colourOnly.effects = 0;
    m_control->setDefaultCharFormat(colourOnly);
    m_charFormat.mask |= kMaskColor;
    m_charFormat.textColor = *chosen;
}

void QuilloryView::onBackgroundColor()
{
    if (m_services.fontColorDialogs == nullptr)
        return;
    if (const std::optional<ColorRef> chosen = m_services.fontColorDialogs->chooseColor(m_background)) {
        m_background = *chosen;
        m_control->setBackgroundColor(m_background);
    }
}

void QuilloryView::onHelpContents()
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
