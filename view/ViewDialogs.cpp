// The modal dialogs of the view: Split/Join, and Startup Options, whose choices the view writes
// into the settings file. Nothing of either is applied to the running editor.
#include <QApplication>
#include <cerrno>

#include "base/Paths.h"
#include "base/SystemFiles.h"
#include "dialogs/SplitJoinDlg.h"
#include "dialogs/StartupOptionsDlg.h"
#include "settings/SettingsFile.h"
#include "settings/StartupOptions.h"
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
    CSplitJoinDlg dialog(*m_services.messageBoxes, *m_services.fileDialogs, drives(), m_services.beep, window());
    // The tree opens at the document's folder, else at the working folder.
    dialog.setStartFolder(m_document.m_strDir.empty() ? absolutePath(".") : m_document.m_strDir);
    dialog.DoModal();
    m_control->SetFocus();
}

void CQuilloryView::OnStartupOptions()
{
    std::string folder;
    if (m_services.settingsInConfigFolder)
        folder = m_strSettingsPath.substr(0, m_strSettingsPath.rfind('/') + 1);
    CStartupOptionsDlg dialog(drives(), folder, window());
    // A file the start found damaged is not read again: its bytes would be written back as valid.
    const std::string storedDir = prepareSettingsRewrite(m_bSettingsDamaged ? std::string() : m_strSettingsPath,
                                                         m_settings, systemWindowColor());
    dialog.m_bWordWrapOnStartup = m_bWordWrap == 1 ? 1 : 0;
    dialog.m_bAnsi2Ascii = m_document.m_bAnsiToAscii != 0 ? 1 : 0;
    const int result = dialog.DoModal();
    m_control->SetFocus();
    if (result != QDialog::Accepted)
        return;

    if (dialog.m_bSaveFont == 1)
        m_cf = m_control->GetDefaultCharFormat();
    const QRect frame = window()->geometry();
    const CurrentAppearance now{m_cf, m_crBackground,
                                WindowRect{frame.left(), frame.top(), frame.left() + frame.width(),
                                           frame.top() + frame.height()}};
    applyStartupOptions(m_settings, dialog, now);
    errno = 0;
    if (writeSettingsFile(m_strSettingsPath, m_settings, directoryToStore(dialog, storedDir))) {
        m_bSettingsDamaged = false;
        return;
    }
    // The failed call of the write left its reason.
    const int error = errno != 0 ? errno : EIO;
    if (m_services.messageBoxes != nullptr)
        m_services.messageBoxes->show({kSettingsWriteErrorCaption,
                                       kSettingsWriteErrorText + m_strSettingsPath + reasonLine(error),
                                       MessageIcon::Stop, MessageButtons::Ok});
}

}  // namespace quillory
