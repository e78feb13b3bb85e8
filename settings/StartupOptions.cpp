#include "settings/StartupOptions.h"

#include "settings/SettingsFile.h"

namespace quillory {

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

void applyStartupOptions(SettingsRecord& image, const StartupOptionsChoice& choice, const CurrentAppearance& now)
{
    image.wordWrap = choice.wordWrapOnStartup ? 1u : 0u;
    image.ansiToAscii = choice.ansiToAscii ? 1u : 0u;
    if (choice.saveFont) {
        image.charFormat = now.font;
    } else {
        image.charFormat.dwMask = kDefaultFontMask;
        image.charFormat.dwEffects = 0;
        image.charFormat.setFaceName(kDefaultFaceName);
    }
    if (choice.saveWindowPos)
        image.window = now.window;
    if (choice.saveBackground)
        image.background = now.background;
}

std::string directoryToStore(const StartupOptionsChoice& choice, const std::string& storedDir)
{
    return choice.updateDefaultDir ? choice.defaultDir : storedDir;
}

}  // namespace quillory
