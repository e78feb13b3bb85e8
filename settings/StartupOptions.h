#pragma once
// Rewriting the settings file from the Startup Options dialog: which preferences are stored is
// chosen by six check boxes; the default directory comes from the dialog's path field.

#include <cstdint>
#include <string>

#include "settings/SettingsRecord.h"

namespace quillory {

// The fields of the Startup Options dialog, each flag 1 when its box is checked.
struct StartupOptionsFields {
    std::string m_strDefaultDir;            // 1000: the default directory path
    std::int32_t m_bWordWrapOnStartup = 0;  // 1002 "Word wrap on startup"
    std::int32_t m_bSaveWindowPos = 0;      // 1001 "Save current Windows position"
    std::int32_t m_bSaveFont = 0;           // 1003 "Save current Font (otherwise default Font will be saved)"
    std::int32_t m_bUpdateDefaultDir = 0;   // 1007 "Update the default directory path with the one below..."
    std::int32_t m_bSaveBkColor = 0;        // 1008 "Save Back- ground Color"
    std::int32_t m_bAnsi2Ascii = 0;         // 1038 "Ansi2Ascii"
};

// The most characters the path field holds.
inline constexpr int kDefaultDirMaxChars = 700;

// What the editor shows now, for the boxes that store it.
struct CurrentAppearance {
    CharFormatA font;      // the control's current default character format
    ColorRef background;   // the control's background colour
    WindowRect window;     // the main window's screen rectangle
};

// Before the dialog runs: empties the face name of `image` (the view's image of the record) and
// sets its background to the system window colour, then lays the file's record over it and
// returns the stored directory line. Without a file the bottom becomes "no position stored".
std::string prepareSettingsRewrite(const std::string& path, SettingsRecord& image, ColorRef systemWindow);

// After "OK - Save": word wrap and ANSI-to-ASCII from the boxes; the font, window rectangle and
// background from `now` where their boxes are checked, otherwise the default font and what the
// record held.
void applyStartupOptions(SettingsRecord& image, const StartupOptionsFields& fields, const CurrentAppearance& now);

// The directory text to store: the path field when 1007 is checked (even empty), otherwise the
// line stored before.
std::string directoryToStore(const StartupOptionsFields& fields, const std::string& storedDir);

}  // namespace quillory
