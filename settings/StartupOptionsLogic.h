#pragma once
// What the Startup Options dialog (StartupOptionsDialog) does, without widgets: its path field and
// six check boxes, the folder selected in its tree, the path a selection offers, the typed relative
// path made absolute, and the rewrite of the settings file after "OK - Save" (which preferences
// the boxes store, and the default directory).
//
// The dialog forwards every change of a control to the matching handler and shows choice(). Its
// drives live above this folder: the dialog makes a drive current and tells onDriveChanged.

#include <string>

#include "base/MessageBox.h"
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
    CharFormat font;      // the control's current default character format
    ColorRef background;  // the control's background colour
    WindowRect window;    // the main window's screen rectangle
};

// The check boxes, in the order the dialog shows them.
enum class StartupOption { UpdateDefaultDir, WordWrapOnStartup, SaveBackground, SaveFont, SaveWindowPos, AnsiToAscii };

class StartupOptionsLogic {
public:
    const StartupOptionsChoice& choice() const { return m_choice; }
    bool option(StartupOption option) const;
    // The root folder of the drive the tree shows, and the folder selected in it; both end in '/'.
    const std::string& driveFolder() const { return m_driveFolder; }
    const std::string& currentFolder() const { return m_currentFolder; }

    // Before the dialog opens: empties the face name of image (the view's image of the record) and
    // sets its background to the system window colour, then lays the record of the file at
    // readPath over it (empty: a file not to be read, one the start found damaged) and keeps the
    // stored directory line for save(); without a file the bottom becomes "no position stored".
    // Word wrap and ANSI to ASCII are preset as the editor has them now.
    void prepareRewrite(const std::string& readPath, SettingsRecord& image, ColorRef systemWindow, bool wordWrapOn,
                        bool ansiToAsciiOn);
    // The dialog opens on the drive whose root folder is driveFolder: the four other boxes clear,
    // the path empty (until the tree selects the root).
    void onInitDialog(const std::string& driveFolder);
    // A folder was selected in the tree: it becomes the current folder and, when the path field
    // can hold it (kDefaultDirMaxChars), the path without trailing white space. True when the path
    // changed, which the dialog then shows.
    bool onFolderSelected(const std::string& folder);
    // Another drive was made current: its root folder is shown and selected.
    void onDriveChanged(const std::string& driveFolder);
    // The path field or a check box changed.
    void onPathEdited(std::string text) { m_choice.defaultDir = std::move(text); }
    void onOptionToggled(StartupOption option, bool checked);
    // "OK - Save": kept paths are absolute, so a typed relative path is taken from the current folder.
    void onOk();

    // After "OK - Save": word wrap and ANSI to ASCII from the boxes; the font, window rectangle and
    // background from now where their boxes are checked, otherwise the default font and what the
    // record held. The directory stored is the path field when 1007 is checked (even empty),
    // otherwise the line stored before. False when the write failed, then reported in boxes (when
    // given).
    bool save(const std::string& path, SettingsRecord& image, const CurrentAppearance& now, IMessageBoxes* boxes) const;

private:
    StartupOptionsChoice m_choice;
    std::string m_driveFolder;    // root folder of the drive the tree shows
    std::string m_currentFolder;  // the folder selected in the tree
    std::string m_storedDir;      // the directory line of the file before the rewrite
};

// "Cannot update data file!" for the settings file at path, with the reason of error.
MessageBoxRequest settingsWriteFailedMessage(const std::string& path, int error);

}  // namespace quillory
