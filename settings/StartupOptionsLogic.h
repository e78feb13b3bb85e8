#pragma once
// What the Startup Options dialog (StartupOptionsDialog) does, without widgets: its path field and
// six check boxes, the folder selected in its tree, the path a selection offers, the typed relative
// path made absolute, and the rewrite of the settings file after "OK - Save".
//
// The dialog forwards every change of a control to the matching handler and shows choice(). Its
// drives live above this folder: the dialog makes a drive current and tells onDriveChanged.

#include <string>

#include "base/MessageBox.h"
#include "settings/SettingsRecord.h"
#include "settings/StartupOptions.h"

namespace quillory {

// The check boxes, in the order the dialog shows them.
enum class StartupOption { UpdateDefaultDir, WordWrapOnStartup, SaveBackground, SaveFont, SaveWindowPos, AnsiToAscii };

class StartupOptionsLogic {
public:
    const StartupOptionsChoice& choice() const { return m_choice; }
    bool option(StartupOption option) const;
    // The root folder of the drive the tree shows, and the folder selected in it; both end in '/'.
    const std::string& driveFolder() const { return m_driveFolder; }
    const std::string& currentFolder() const { return m_currentFolder; }

    // Before the dialog opens: image (the view's image of the record) is laid over by the file at
    // readPath (empty: a file not to be read, one the start found damaged) as
    // prepareSettingsRewrite does, its stored directory kept for save(); word wrap and ANSI to
    // ASCII are preset as the editor has them now.
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

    // After "OK - Save": the choice applied to image (applyStartupOptions) and written to path with
    // the directory to store. False when the write failed, then reported in boxes (when given).
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
