#pragma once
// Rewriting the settings file from the Startup Options dialog: which preferences are stored is
// chosen by six check boxes; the default directory comes from the dialog's path field.

#include <cstdint>
#include <string>

#include "settings/SettingsRecord.h"

namespace quillory {

// What the Startup Options dialog's controls say: the path field and the six check boxes.
struct StartupOptionsChoice {
    std::string defaultDir;          // 1000: the default directory path
    bool wordWrapOnStartup = false;  // 1002 "Word wrap on startup"
    bool saveWindowPos = false;      // 1001 "Save current Windows position"
    bool saveFont = false;           // 1003 "Save current Font (otherwise default Font will be saved)"
    bool updateDefaultDir = false;   // 1007 "Update the default directory path with the one below..."
    bool saveBackground = false;     // 1008 "Save Back- ground Color"
    bool ansiToAscii = false;        // 1038 "Ansi2Ascii"
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
void applyStartupOptions(SettingsRecord& image, const StartupOptionsChoice& choice, const CurrentAppearance& now);

// The directory text to store: the path field when 1007 is checked (even empty), otherwise the
// line stored before.
std::string directoryToStore(const StartupOptionsChoice& choice, const std::string& storedDir);

}  // namespace quillory
