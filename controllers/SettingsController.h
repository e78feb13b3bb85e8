#pragma once
// The settings file: read once when the editor starts, its window position, word wrap, ANSI to
// ASCII, font, background and default folder applied to the window, the view and the document;
// rewritten by Tools > Startup Options after "OK - Save". Nothing chosen there changes the running
// editor.

#include <QObject>
#include <string>
#include <vector>

#include "commands/CommandRouter.h"
#include "settings/SettingsRecord.h"
#include "view/ViewServices.h"

namespace quillory {

class QuilloryDoc;
class QuilloryView;

class SettingsController : public QObject {
    Q_OBJECT
public:
    // Reads the settings file at path and applies it to view and document; a child of view.
    SettingsController(QuilloryView& view, QuilloryDoc& document, ViewServices services, IDrives& drives,
                       std::string path);

    CommandTarget& commands() { return m_commands; }

    // Tools > Startup Options: the dialog, then the rewrite of the settings file.
    void startupOptions();

private:
    void read();
    // The screens' rectangles, for the check of a stored window rectangle.
    static std::vector<WindowRect> screenRects();

    QuilloryView& m_view;
    QuilloryDoc& m_document;
    ViewServices m_services;
    IDrives& m_drives;
    std::string m_path;       // full path of the settings file
    SettingsRecord m_record;  // image of the settings record
    bool m_damaged = false;   // the start-up read found the settings file damaged
    CommandTarget m_commands;
};

}  // namespace quillory
