#include "settings/StartupOptionsLogic.h"

#include <cerrno>

#include "base/SystemFiles.h"
#include "settings/SettingsFile.h"

namespace quillory {

namespace {

std::string withoutTrailingWhiteSpace(std::string text)
{
    const std::size_t last = text.find_last_not_of(" \t\r\n\v\f");
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

// The field of a check box, of a choice or a constant one.
template <typename Choice>
auto& flagOf(Choice& choice, StartupOption option)
{
    switch (option) {
    case StartupOption::UpdateDefaultDir: return choice.updateDefaultDir;
    case StartupOption::WordWrapOnStartup: return choice.wordWrapOnStartup;
    case StartupOption::SaveBackground: return choice.saveBackground;
    case StartupOption::SaveFont: return choice.saveFont;
    case StartupOption::SaveWindowPos: return choice.saveWindowPos;
    case StartupOption::AnsiToAscii: break;
    }
    return choice.ansiToAscii;
}

// The image before the dialog runs, and the stored directory line.
std::string prepareSettingsRewrite(const std::string& path, SettingsRecord& image, ColorRef systemWindow)
{
    image.charFormat.setFaceName("");
    image.background = systemWindow;
    std::string storedDir;
    if (!readSettingsForRewrite(path, image, storedDir)) {
        image.charFormat.setFaceName("");
        image.window.bottom = kNoWindowPosition;
    }
    return storedDir;
}

// The choice laid over the image after "OK - Save".
void applyStartupOptions(SettingsRecord& image, const StartupOptionsChoice& choice, const CurrentAppearance& now)
{
    image.wordWrap = choice.wordWrapOnStartup ? 1u : 0u;
    image.ansiToAscii = choice.ansiToAscii ? 1u : 0u;
    if (choice.saveFont) {
        image.charFormat = now.font;
    } else {
        image.charFormat.mask = kDefaultFontMask;
        image.charFormat.effects = 0;
        image.charFormat.setFaceName(kDefaultFaceName);
    }
    if (choice.saveWindowPos)
        image.window = now.window;
    if (choice.saveBackground)
        image.background = now.background;
}

// The directory text to store.
std::string directoryToStore(const StartupOptionsChoice& choice, const std::string& storedDir)
{
    return choice.updateDefaultDir ? choice.defaultDir : storedDir;
}

}  // namespace

MessageBoxRequest settingsWriteFailedMessage(const std::string& path, int error)
{
    return {kSettingsWriteErrorCaption, kSettingsWriteErrorText + path + reasonLine(error), MessageIcon::Stop,
            MessageButtons::Ok};
}

bool StartupOptionsLogic::option(StartupOption option) const
{
    return flagOf(m_choice, option);
}

void StartupOptionsLogic::onOptionToggled(StartupOption option, bool checked)
{
    flagOf(m_choice, option) = checked;
}

void StartupOptionsLogic::prepareRewrite(const std::string& readPath, SettingsRecord& image, ColorRef systemWindow,
                                         bool wordWrapOn, bool ansiToAsciiOn)
{
    m_storedDir = prepareSettingsRewrite(readPath, image, systemWindow);
    m_choice.wordWrapOnStartup = wordWrapOn;
    m_choice.ansiToAscii = ansiToAsciiOn;
}

void StartupOptionsLogic::onInitDialog(const std::string& driveFolder)
{
    // Word wrap and ANSI to ASCII keep their presets; the other four always start clear.
    m_choice.saveWindowPos = false;
    m_choice.saveFont = false;
    m_choice.updateDefaultDir = false;
    m_choice.saveBackground = false;
    m_choice.defaultDir.clear();
    m_driveFolder = driveFolder;
    m_currentFolder = driveFolder;
}

bool StartupOptionsLogic::onFolderSelected(const std::string& folder)
{
    m_currentFolder = folder;
    // A path the field cannot hold whole is not offered: the field keeps its text.
    if (folder.size() > static_cast<std::size_t>(kDefaultDirMaxChars))
        return false;
    m_choice.defaultDir = withoutTrailingWhiteSpace(folder);
    return true;
}

void StartupOptionsLogic::onDriveChanged(const std::string& driveFolder)
{
    m_driveFolder = driveFolder;
    m_currentFolder = driveFolder;
}

void StartupOptionsLogic::onOk()
{
    std::string& path = m_choice.defaultDir;
    if (!path.empty() && path.front() != '/')
        path = m_currentFolder + path;
}

bool StartupOptionsLogic::save(const std::string& path, SettingsRecord& image, const CurrentAppearance& now,
                               IMessageBoxes* boxes) const
{
    applyStartupOptions(image, m_choice, now);
    errno = 0;
    if (writeSettingsFile(path, image, directoryToStore(m_choice, m_storedDir)))
        return true;
    // The failed call of the write left its reason.
    const int error = errno != 0 ? errno : EIO;
    if (boxes != nullptr)
        boxes->show(settingsWriteFailedMessage(path, error));
    return false;
}

}  // namespace quillory
