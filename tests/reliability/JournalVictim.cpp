// The whole editor, offscreen, driven by real key events read from standard input, for tests that
// kill it at random moments and start it again to recover what it journalled.
//
//   quillory_journal_victim edit FOLDER SETTINGS [FILE]
//       starts the editor on FILE (none: untitled) with its journals in FOLDER and runs commands,
//       one a line, answering each with "ok LENGTH CHECKSUM" (the document after it):
//         T POS HEX        the caret to POS, then the bytes of HEX typed as keys (printable ASCII)
//         R START END HEX  START..END selected, then typed over
//         B POS N          the caret to POS, then Backspace N times
//         D POS N          the caret to POS, then Delete N times
//         I                the Insert key (insert/overwrite)
//         S                Ctrl+S
//         W MS             waits MS milliseconds with the event loop running
//   quillory_journal_victim recover FOLDER SETTINGS DUMP [FILE]
//       starts the editor as a user would after a crash, answering Yes to every question, writes
//       the document it then shows to DUMP, prints every box's text, a line each ("box: ..."), and
//       ends giving the changes up (No to saving them).
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/EditorView.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "document/QuilloryDoc.h"
#include "recovery/FastHash.h"
#include "support/CancellingFontColorDialogs.h"
#include "support/ScriptedFileDialogs.h"
#include "support/StoredBytes.h"
#include "view/QuilloryView.h"

namespace {

using quillory::EditControl;
using quillory::QuilloryApp;

// The document's bytes: the true bytes of a BINARY document, the control's text of a TEXT one.
std::string documentOf(const QuilloryApp& app, const EditControl& control)
{
    const quillory::QuilloryDoc& doc = *app.document();
    if (doc.mode() == quillory::DocumentMode::Binary)
        return quillory::test::storedBytes(doc.storage());
    return control.textRange(0, control.textLength());
}

std::string fromHex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

void typeBytes(EditControl& control, const std::string& bytes)
{
    for (const char c : bytes) {
        if (c == '\t')
            QTest::keyClick(&control, Qt::Key_Tab);
        else
            QTest::keyClick(&control, c);
    }
}

void pressTimes(EditControl& control, Qt::Key key, int times)
{
    for (int i = 0; i < times; ++i)
        QTest::keyClick(&control, key);
}

// Runs one command; false for one it does not know.
bool runCommand(const std::string& line, EditControl& control)
{
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    std::int64_t a = 0;
    std::int64_t b = 0;
    std::string hex;
    if (verb == "T" && words >> a >> hex) {
        control.select(a, a);
        typeBytes(control, fromHex(hex));
    } else if (verb == "R" && words >> a >> b >> hex) {
        control.select(a, b);
        typeBytes(control, fromHex(hex));
    } else if ((verb == "B" || verb == "D") && words >> a >> b) {
        control.select(a, a);
        pressTimes(control, verb == "B" ? Qt::Key_Backspace : Qt::Key_Delete, static_cast<int>(b));
    } else if (verb == "I") {
        QTest::keyClick(&control, Qt::Key_Insert);
    } else if (verb == "S") {
        QTest::keyClick(&control, Qt::Key_S, Qt::ControlModifier);
    } else if (verb == "W" && words >> a) {
        QTest::qWait(static_cast<int>(a));
    } else {
        return false;
    }
    return true;
}

// Answers every question with `answer` and keeps every box.
class VictimBoxes final : public quillory::IMessageBoxes {
public:
    quillory::MessageResult show(const quillory::MessageBoxRequest& request) override
    {
        shown.push_back(request);
        return request.buttons == quillory::MessageButtons::Ok ? quillory::MessageResult::Ok : answer;
    }
    quillory::MessageResult answer = quillory::MessageResult::Cancel;
    std::vector<quillory::MessageBoxRequest> shown;
};

struct Editor {
    VictimBoxes boxes;
    quillory::test::CancellingFontColorDialogs dialogs;
    quillory::test::ScriptedFileDialogs fileDialogs;
    QuilloryApp app{boxes};
    EditControl* control = nullptr;

    bool start(const std::string& folder, const std::string& settings, const std::string& file)
    {
        app.setRecoveryFolder(folder);
        app.setViewFactory(quillory::editorViewFactory(app, boxes, dialogs, fileDialogs, settings));
        if (!app.initInstance(file))
            return false;
        auto* view = qobject_cast<quillory::QuilloryView*>(app.mainFrame()->activeView());
        if (view == nullptr)
            return false;
        control = &view->control();
        control->takeFocus();
        return true;
    }
};

int edit(const std::string& folder, const std::string& settings, const std::string& file)
{
    Editor editor;
    if (!editor.start(folder, settings, file))
        return 1;
    std::cout << "ready" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!runCommand(line, *editor.control))
            return 2;
        QCoreApplication::processEvents();
        const std::string document = documentOf(editor.app, *editor.control);
        std::cout << "ok " << document.size() << ' '
                  << quillory::contentChecksum(
                         {reinterpret_cast<const std::uint8_t*>(document.data()), document.size()})
                  << std::endl;
    }
    // The test ends it with a signal; an end of input is a clean exit.
    return 0;
}

int recover(const std::string& folder, const std::string& settings, const std::string& dump, const std::string& file)
{
    Editor editor;
    editor.boxes.answer = quillory::MessageResult::Yes;
    const bool started = editor.start(folder, settings, file);
    for (const quillory::MessageBoxRequest& box : editor.boxes.shown) {
        std::string text = box.text;
        for (char& c : text)
            c = c == '\n' ? '|' : c;
        std::cout << "box: " << text << '\n';
    }
    if (!started)
        return 1;
    std::ofstream(dump, std::ios::binary) << documentOf(editor.app, *editor.control);
    std::cout << "modified " << editor.control->isModified() << std::endl;
    // A clean exit that gives the changes up: their journal goes.
    editor.boxes.answer = quillory::MessageResult::No;
    editor.app.mainFrame()->close();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string usage = "usage: edit FOLDER SETTINGS [FILE] | recover FOLDER SETTINGS DUMP [FILE]";
    if (argc < 4) {
        std::cerr << usage << '\n';
        return 2;
    }
    int qtArgc = 1;  // the words are paths, none of them an option of Qt's
    QApplication application(qtArgc, argv);
    const std::string mode = argv[1];
    if (mode == "edit")
        return edit(argv[2], argv[3], argc > 4 ? argv[4] : "");
    if (mode == "recover" && argc > 4)
        return recover(argv[2], argv[3], argv[4], argc > 5 ? argv[5] : "");
    std::cerr << usage << '\n';
    return 2;
}
