#include "app/EditorView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>

#include "app/MainFrame.h"
#include "app/UrlBar.h"
#include "controllers/DownloadsController.h"
#include "controllers/EditorFeatures.h"
#include "controllers/RecoveryController.h"
#include "settings/SettingsFile.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {

// Moves the frame to a stored rectangle, unless that rectangle lies on no screen of this desktop
// (a file written on a larger or since removed monitor), where the window could not be reached.
void placeOnSomeScreen(MainFrame& frame, const QRect& rect)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(rect)) {
            frame.setGeometry(rect);
            return;
        }
    }
}

}  // namespace

QuilloryApp::ViewFactory editorViewFactory(QuilloryApp& app, IMessageBoxes& messageBoxes,
                                           IFontColorDialogs& fontColorDialogs, IFileDialogs& fileDialogs,
                                           std::string settingsPath)
{
    return [&app, &messageBoxes, &fontColorDialogs, &fileDialogs, settingsPath = std::move(settingsPath)](
               MainFrame& frame, QuilloryDoc& document, const std::string& commandLineTail) {
        ViewServices services;
        services.messageBoxes = &messageBoxes;
        services.fontColorDialogs = &fontColorDialogs;
        services.fileDialogs = &fileDialogs;
        services.beep = [] { QApplication::beep(); };
        services.setPaneText = [&frame](StatusPane pane, const QString& text) { frame.setPaneText(pane, text); };
        services.placeMainWindow = [&frame](const QRect& rect) { placeOnSomeScreen(frame, rect); };
        services.printer = &app.printer();
        UrlBar* urlBar = frame.urlBar();
        services.setUrlBarBusy = [urlBar](bool busy) { urlBar->setBusy(busy); };
        services.toggleUrlBar = [urlBar] { urlBar->toggleUrlBar(); };
        const std::string executable = QFile::encodeName(QApplication::applicationFilePath()).toStdString();
        services.settingsInConfigFolder = settingsPath != settingsPathBeside(executable);
        services.recoveryFolder = app.recoveryFolder();
        services.longWork = &app.longWork();
        auto* view = new QuilloryView(document, services, commandLineTail);
        // The view's features beside it, children of the view: they go with it.
        const EditorFeatures features = attachEditorFeatures(*view, document, services, settingsPath);
        DownloadsController* downloads = features.downloads;
        // The bar's buttons reach these downloads while they live; the frame deletes them with the
        // view, when the next one comes.
        urlBar->setRetrieveHandler([downloads = QPointer(downloads)](const QString& url) {
            if (downloads != nullptr)
                downloads->retrieve(url.toStdString());
        });
        urlBar->setStopHandler([downloads = QPointer(downloads)] {
            if (downloads != nullptr)
                downloads->stop();
        });
        // Changes an editor that died left behind are offered before the command-line file loads; a
        // recovered document takes the window instead of it.
        RecoveryController* recovery = features.recovery;
        auto initialUpdate = [view, recovery] { return recovery->offerRecoveries() || view->onInitialUpdate(); };
        return QuilloryApp::ViewParts{view, features.commandTargets(*view), initialUpdate};
    };
}

std::string settingsPathFor(const std::string& executablePath)
{
    const QString configFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    std::string path = chooseSettingsPath(executablePath, QFile::encodeName(configFolder).toStdString());
    if (!configFolder.isEmpty() && path != settingsPathBeside(executablePath))
        QDir().mkpath(configFolder);
    return path;
}

}  // namespace quillory
