#pragma once
// The editor's features beside its view: each a controller that owns its state and its commands.
// One place creates them all, for the main window and for tests alike.

#include <string>
#include <vector>

#include "commands/CommandRouter.h"
#include "view/ViewServices.h"

namespace quillory {

class QuilloryDoc;
class QuilloryView;
class DownloadsController;
class EditingToolsController;
class FindController;
class HexPaneController;
class PrintController;
class RecoveryController;
class SettingsController;
class ToolDialogsController;

struct EditorFeatures {
    SettingsController* settings = nullptr;
    FindController* find = nullptr;
    PrintController* print = nullptr;
    EditingToolsController* editingTools = nullptr;
    ToolDialogsController* toolDialogs = nullptr;
    DownloadsController* downloads = nullptr;
    HexPaneController* hexPane = nullptr;
    RecoveryController* recovery = nullptr;  // journals the unsaved changes (none without a folder)

    // The view's level of the command route: the view's own commands, then every feature's.
    std::vector<CommandTarget*> commandTargets(QuilloryView& view) const;
};

// Creates every feature as a child of view (they go with it). The settings file at settingsPath is
// read and applied first, as the editor starts.
EditorFeatures attachEditorFeatures(QuilloryView& view, QuilloryDoc& document, const ViewServices& services,
                                    const std::string& settingsPath);

}  // namespace quillory
