#include "controllers/EditorFeatures.h"

#include <memory>

#include "controllers/DownloadsController.h"
#include "controllers/EditingToolsController.h"
#include "controllers/FindController.h"
#include "controllers/HexPaneController.h"
#include "controllers/PrintController.h"
#include "controllers/RecoveryController.h"
#include "controllers/SettingsController.h"
#include "controllers/ToolDialogsController.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {

// The mounted file systems, for features whose services name none; goes with the view.
class OwnedDrives final : public QObject {
public:
    explicit OwnedDrives(QObject* parent) : QObject(parent) {}
    SystemDrives drives;
};

}  // namespace

std::vector<CommandTarget*> EditorFeatures::commandTargets(QuilloryView& view) const
{
    return {&view.commands(),          &settings->commands(),    &find->commands(),      &print->commands(),
            &editingTools->commands(), &toolDialogs->commands(), &downloads->commands(), &hexPane->commands()};
}

EditorFeatures attachEditorFeatures(QuilloryView& view, QuilloryDoc& document, const ViewServices& services,
                                    const std::string& settingsPath)
{
    IDrives* drives = services.drives;
    if (drives == nullptr)
        drives = &(new OwnedDrives(&view))->drives;
    EditorFeatures features;
    features.settings = new SettingsController(view, document, services, *drives, settingsPath);
    features.find = new FindController(view, services.messageBoxes);
    features.print = new PrintController(view, services.printer);
    features.editingTools = new EditingToolsController(view, document, services);
    features.toolDialogs = new ToolDialogsController(view, document, services, *drives);
    features.downloads = new DownloadsController(view, document, services);
    features.hexPane = new HexPaneController(view, document);
    features.recovery = new RecoveryController(view, document, services);
    return features;
}

}  // namespace quillory
