#include "controllers/SettingsController.h"

#include <QGuiApplication>
#include <QScreen>

#include "base/Paths.h"
#include "commands/CommandIds.h"
#include "dialogs/StartupOptionsDialog.h"
#include "document/QuilloryDoc.h"
#include "settings/SettingsFile.h"
#include "view/QuilloryView.h"

namespace quillory {

SettingsController::SettingsController(QuilloryView& view, QuilloryDoc& document, ViewServices services,
                                       IDrives& drives, std::string path)
    : QObject(&view),
      m_view(view),
      m_document(document),
      m_services(std::move(services)),
      m_drives(drives),
      m_path(std::move(path))
{
    // What Startup Options starts from when no settings file is ever read: a complete record with
    // the view's own format, so that the next start applies a whole, sensible font.
    m_record = SettingsRecord::defaults();
    m_record.charFormat = m_view.characterFormat();
    m_record.background = m_view.backgroundColor();
    read();
    m_commands.onCommand(cmd::ID_STARTUP_OPTIONS, [this] { startupOptions(); });
}

void SettingsController::read()
{
    m_document.setFolder({});
    m_document.setAnsiToAscii(false);
    const SettingsFileContents contents = readSettingsFile(m_path);
    if (contents.status == SettingsReadStatus::Missing)
        return;
    if (contents.status == SettingsReadStatus::Corrupt) {
        // Startup Options then writes from the defaults, never from the damaged bytes.
        m_damaged = true;
        if (m_services.messageBoxes != nullptr)
            m_services.messageBoxes->show(
                {kSettingsReadErrorCaption, kSettingsReadErrorText, MessageIcon::Stop, MessageButtons::Ok});
        return;
    }
    m_record = contents.record;
    const WindowRect& frame = m_record.window;
    // An absurd rectangle (a damaged or hand-made file) leaves the window where it was placed.
    if (frame.bottom != kNoWindowPosition && m_services.placeMainWindow && plausibleWindowRect(frame, screenRects()))
        m_services.placeMainWindow(QRect(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top));
    m_view.setWordWrap(m_record.wordWrap != 0);
    m_document.setAnsiToAsciiFromSettings(m_record.ansiToAscii);
    CharFormat format = m_record.charFormat;
    if (!plausibleFontHeight(format.height))
        format.height = m_view.characterFormat().height;
    m_view.setCharacterFormat(format);
    m_view.setBackgroundColor(m_record.background);
    if (!contents.defaultDir.empty())
        m_document.setFolder(absolutePath(contents.defaultDir));
}

std::vector<WindowRect> SettingsController::screenRects()
{
    std::vector<WindowRect> rects;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        rects.push_back({area.left(), area.top(), area.left() + area.width(), area.top() + area.height()});
    }
    return rects;
}

void SettingsController::startupOptions()
{
    std::string folder;
    if (m_services.settingsInConfigFolder)
        folder = m_path.substr(0, m_path.rfind('/') + 1);
    StartupOptionsDialog dialog(m_drives, folder, m_view.window());
    StartupOptionsLogic& options = dialog.logic();
    // A file the start found damaged is not read again: its bytes would be written back as valid.
    options.prepareRewrite(m_damaged ? std::string() : m_path, m_record, systemWindowColor(), m_view.wordWrap(),
                           m_document.ansiToAscii());
    const int result = dialog.runModal();
    m_view.takeFocus();
    if (result != QDialog::Accepted)
        return;

    // The saved font is the control's, as the font dialog and the colour commands left it.
    if (options.choice().saveFont)
        m_view.takeCharacterFormatFromControl();
    const QRect frame = m_view.window()->geometry();
    const CurrentAppearance now{
        m_view.characterFormat(), m_view.backgroundColor(),
        WindowRect{frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()}};
    if (options.save(m_path, m_record, now, m_services.messageBoxes))
        m_damaged = false;
}

}  // namespace quillory
