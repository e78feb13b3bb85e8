#pragma once
// The real editing view for the application: QuilloryView on the Qt platform services, writing
// its status panes into the main frame and sharing the application's printer.

#include <string>

#include "app/QuilloryApp.h"

namespace quillory {

class IFileDialogs;
class IFontColorDialogs;
class IMessageBoxes;

// Makes views with the given services (not owned; they must outlive the views). The settings file
// is read from `settingsPath` when each view is created.
QuilloryApp::ViewFactory editorViewFactory(QuilloryApp& app, IMessageBoxes& messageBoxes,
                                           IFontColorDialogs& fontColorDialogs, IFileDialogs& fileDialogs,
                                           std::string settingsPath);

// Where the settings file lives for the program at `executablePath`: beside it, or in the user's
// configuration folder (made if need be) when the program's folder takes no new files.
std::string settingsPathFor(const std::string& executablePath);

}  // namespace quillory
