// The editor's entry point: `quillory [FILE...]`. The words after the program name, joined by
// blanks, name the one file to open.
#include <QApplication>
#include <QFile>

#include "app/CommandIcons.h"
#include "app/CommandLine.h"
#include "app/EditorView.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "base/MessageBox.h"
#include "internet/Retrieval.h"
#include "qtplatform/QtFileDialogs.h"
#include "qtplatform/QtFontColorDialogs.h"
#include "qtplatform/QtMessageBoxes.h"
#include "recovery/JournalFolder.h"

int main(int argc, char* argv[])
{
    // Every word is part of the path, so Qt sees none of them as an option of its own.
    const std::string tail = quillory::commandLineTail(argc, argv);
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QString::fromLatin1(quillory::kAppTitle));
    // Names the desktop entry, so that a Wayland desktop matches the window to its icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLORY_APP_ID));
    QApplication::setWindowIcon(quillory::applicationIcon());

    int code = 0;
    {
        quillory::QtMessageBoxes messageBoxes;
        quillory::QtFileDialogs fileDialogs;
        quillory::QtFontColorDialogs fontColorDialogs;
        quillory::QuilloryApp app(messageBoxes);
        app.setFileDialogs(&fileDialogs);
        app.setRecoveryFolder(quillory::recoveryFolderFromEnvironment());
        app.setViewFactory(quillory::editorViewFactory(
            app, messageBoxes, fontColorDialogs, fileDialogs,
            quillory::settingsPathFor(QFile::encodeName(QApplication::applicationFilePath()).toStdString())));
        if (!app.initInstance(tail))
            return 1;
        messageBoxes.setParent(app.mainFrame());
        fileDialogs.setParent(app.mainFrame());
        fontColorDialogs.setParent(app.mainFrame());
        code = QApplication::exec();
    }
    // The view is gone and has stopped its retrieval; the stopped worker must not outlive exit.
    return quillory::exitCodeAfterRetrievals(code);
}
