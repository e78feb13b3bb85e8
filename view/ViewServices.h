#pragma once
// What the view needs from the application around it: platform services and the main window's
// status bar and placement. Tests give it doubles.

#include <QRect>
#include <QString>
#include <functional>
#include <string>

#include "base/Clipboard.h"
#include "base/FileDialogs.h"
#include "base/FontColorDialogs.h"
#include "base/LongWork.h"
#include "base/MessageBox.h"
#include "base/StatusPane.h"
#include "splitjoin/Drives.h"

class QPrinter;

namespace quillory {

struct ViewServices {
    IMessageBoxes* messageBoxes = nullptr;
    IFontColorDialogs* fontColorDialogs = nullptr;
    IFileDialogs* fileDialogs = nullptr;  // Insert File, Save Download As, Split/Join
    IClipboard* clipboard = nullptr;      // null: the system clipboard
    std::function<void()> beep;           // the system's warning sound
    // Status bar panes: the prompt pane shows the retrieval's progress (empty text: back to the
    // prompt); font, mode, INS/OVR and encoding are the view's.
    std::function<void(StatusPane pane, const QString& text)> setPaneText;
    std::function<void(const QRect& frame)> placeMainWindow;  // from the settings file
    QPrinter* printer = nullptr;                              // shared with Print Setup
    std::function<void(bool busy)> setUrlBarBusy;             // the URL bar's busy flag
    std::function<void()> toggleUrlBar;                       // shows or hides the URL bar
    IDrives* drives = nullptr;                                // null: the mounted file systems
    bool settingsInConfigFolder = false;                      // the settings file is not beside the executable
    ILongWork* longWork = nullptr;  // runs long work with its progress; null: in place, nothing shown
    std::string recoveryFolder;     // where the journals of unsaved changes go; empty: none are kept
};

}  // namespace quillory
