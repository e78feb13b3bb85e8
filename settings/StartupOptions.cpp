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

void applyStartupOptions(SettingsRecord& image, const StartupOptionsFields& fields, const CurrentAppearance& now)
{
    image.wordWrap = static_cast<std::uint32_t>(fields.m_bWordWrapOnStartup);
    image.ansiToAscii = static_cast<std::uint32_t>(fields.m_bAnsi2Ascii);
    if (fields.m_bSaveFont == 1) {
        image.charFormat = now.font;
    } else {
        image.charFormat.dwMask = kDefaultFontMask;
        image.charFormat.dwEffects = 0;
        image.charFormat.setFaceName(kDefaultFaceName);
    }
    if (fields.m_bSaveWindowPos == 1)
        image.window = now.window;
    if (fields.m_bSaveBkColor == 1)
        image.background = now.background;
}

std::string directoryToStore(const StartupOptionsFields& fields, const std::string& storedDir)
{
    return fields.m_bUpdateDefaultDir == 1 ? fields.m_strDefaultDir : storedDir;
}

}  // namespace quillory
