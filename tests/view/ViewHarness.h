#pragma once
// A view on a real edit control with its features, scripted platform services, shown offscreen,
// with the command route of a main window (view and features, then document).

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <deque>
#include <map>
#include <memory>

#include "commands/CommandRouter.h"
#include "controllers/EditingToolsController.h"
#include "controllers/EditorFeatures.h"
#include "controllers/FindController.h"
#include "document/DocumentCommands.h"
#include "document/QuilloryDoc.h"
#include "support/FakeClipboard.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/StoredBytes.h"
#include "support/TempDir.h"
#include "view/QuilloryView.h"

namespace quillory::test {

class ScriptedFontColorDialogs final : public IFontColorDialogs {
public:
    std::optional<CharFormat> chooseFont(const CharFormat& initial) override
    {
        fontAsked = initial;
        return nextFont;
    }
    std::optional<ColorRef> chooseColor(ColorRef initial) override
    {
        colorAsked = initial;
        return nextColor;
    }
    std::optional<CharFormat> nextFont;  // the answer; nothing = Cancel
    std::optional<ColorRef> nextColor;
    std::optional<CharFormat> fontAsked;
    std::optional<ColorRef> colorAsked;
};

class ViewHarness {
public:
    explicit ViewHarness(const std::string& commandLine = {}, std::string settingsPath = {}, IDrives* drives = nullptr)
    {
        ViewServices services;
        services.messageBoxes = &boxes;
        services.fontColorDialogs = &dialogs;
        services.clipboard = &clipboard;
        services.fileDialogs = &fileDialogs;
        services.beep = [this] { ++beeps; };
        services.setPaneText = [this](StatusPane pane, const QString& text) { panes[pane] = text; };
        services.placeMainWindow = [this](const QRect& rect) { placedAt = rect; };
        services.drives = drives;
        if (settingsPath.empty())
            settingsPath = dir.file("Quillory.dat");
        view = std::make_unique<QuilloryView>(doc, services, commandLine);
        features = attachEditorFeatures(*view, doc, services, settingsPath);
        view->resize(640, 400);
        view->show();
        registerDocumentCommands(documentCommands, doc);
        for (CommandTarget* target : features.commandTargets(*view))
            router.attach(RouteLevel::View, target);
        router.attach(RouteLevel::Document, &documentCommands);
    }

    EditControl& control() const { return view->control(); }
    std::string text() const { return control().textRange(0, control().textLength()); }
    std::string storage() const { return storedBytes(doc.storage()); }
    // Opens a file as the first update would.
    void load(const std::string& name, const std::string& bytes) { doc.loadFile(dir.write(name, bytes)); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&control(), key, modifiers);
    }
    // Types ASCII text key by key.
    void type(const QString& text) { QTest::keyClicks(&control(), text); }
    // Types one character that has no key of its own on a US keyboard, as an input method would.
    void typeCharacter(QChar character)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(&control(), &press);
    }
    bool command(int id) { return router.execute(id); }
    bool enabled(int id) const { return router.state(id).enabled; }
    void select(std::int64_t start, std::int64_t end) { control().select(start, end); }

    TempDir dir;
    ScriptedMessageBoxes boxes;
    ScriptedFontColorDialogs dialogs;
    FakeClipboard clipboard;
    ScriptedFileDialogs fileDialogs;
    QuilloryDoc doc{boxes};
    std::unique_ptr<QuilloryView> view;
    EditorFeatures features;  // children of the view
    CommandTarget documentCommands;
    CommandRouter router;
    std::map<StatusPane, QString> panes;
    std::optional<QRect> placedAt;
    int beeps = 0;
};

}  // namespace quillory::test
