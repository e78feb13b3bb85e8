// The modal dialogs of the view: Split/Join, and Startup Options, whose choices the view writes
// into the settings file. Nothing of either is applied to the running editor.
#include <QApplication>

#include "base/Paths.h"
#include "dialogs/SplitJoinDialog.h"
#include "dialogs/StartupOptionsDialog.h"
#include "view/QuilloryView.h"

namespace quillory {

IDrives& CQuilloryView::drives()
{
    if (m_services.drives != nullptr)
        return *m_services.drives;
    if (m_ownDrives == nullptr)
        m_ownDrives = std::make_unique<SystemDrives>();
    return *m_ownDrives;
}

void CQuilloryView::OnSplitJoin()
{
    if (m_services.messageBoxes == nullptr || m_services.fileDialogs == nullptr)
        return;
    SplitJoinDialog dialog(*m_services.messageBoxes, *m_services.fileDialogs, drives(), m_services.beep, window());
    // The tree opens at the document's folder, else at the working folder.
    dialog.logic().setStartFolder(m_document.m_strDir.empty() ? absolutePath(".") : m_document.m_strDir);
    dialog.runModal();
    m_control->SetFocus();
}

void CQuilloryView::OnStartupOptions()
{
    std::string folder;
    if (m_services.settingsInConfigFolder)
        folder = m_strSettingsPath.substr(0, m_strSettingsPath.rfind('/') + 1);
    StartupOptionsDialog dialog(drives(), folder, window());
    StartupOptionsLogic& options = dialog.logic();
    // A file the start found damaged is not read again: its bytes would be written back as valid.
    options.prepareRewrite(m_bSettingsDamaged ? std::string() : m_strSettingsPath, m_settings, systemWindowColor(),
                           m_bWordWrap == 1, m_document.ansiToAscii());
    const int result = dialog.runModal();
    m_control->SetFocus();
    if (result != QDialog::Accepted)
        return;

    if (options.choice().saveFont)
        m_cf = m_control->GetDefaultCharFormat();
    const QRect frame = window()->geometry();
    const CurrentAppearance now{m_cf, m_crBackground,
                                WindowRect{frame.left(), frame.top(), frame.left() + frame.width(),
                                           frame.top() + frame.height()}};
    if (options.save(m_strSettingsPath, m_settings, now, m_services.messageBoxes))
        m_bSettingsDamaged = false;
}

}  // namespace quillory
