// The editor as a user meets it, offscreen: start-up with a 100 MB BINARY file named on the
// command line until the main window is painted, typing in the middle of it (storage operation,
// control edit and repaint), and saving it. Prints times and peak memory.
//
// usage: bench_editor [folder for the test file] [size in MB]

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <random>
#include <sys/resource.h>
#include <vector>

#include "bench/BenchSupport.h"
#include "app/EditorView.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "controllers/EditingToolsController.h"
#include "document/QuilloryDoc.h"
#include "base/FileDialogs.h"
#include "base/MessageBox.h"
#include "dialogs/GotoDialog.h"
#include "view/QuilloryView.h"

using namespace quillory;

namespace {

void writeBinaryFile(const std::string& path, std::size_t size)
{
    std::vector<char> bytes(size);
    std::mt19937_64 random(42);
    for (auto& b : bytes)
        b = static_cast<char>(random() % 96 + 32);
    for (std::size_t i = 0; i < size; i += 997)
        bytes[i] = static_cast<char>(random() % 32);  // control bytes throughout: BINARY
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

void writeTextFile(const std::string& path, std::size_t size)
{
    std::vector<char> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = (i % 81 == 80) ? '\n' : static_cast<char>('a' + i % 26);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

double msSince(const QElapsedTimer& clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// 200 keys typed in the middle of the document, each with the repaint it causes.
void typeInTheMiddle(EditControl& control)
{
    QElapsedTimer clock;
    control.select(control.textLength() / 2, control.textLength() / 2);
    std::vector<double> keys;
    for (int i = 0; i < 200; ++i) {
        clock.restart();
        QTest::keyClick(&control, static_cast<char>('a' + i % 26));
        control.viewport()->repaint();
        keys.push_back(msSince(clock));
    }
    std::sort(keys.begin(), keys.end());
    std::printf("typing in the middle (storage, control, repaint): median %.2f ms, max %.2f ms (limit 20 ms)\n",
                keys[keys.size() / 2], keys.back());
}

void save(QuilloryDoc& doc, std::size_t sizeMb)
{
    QElapsedTimer clock;
    clock.start();
    doc.onFileSave();
    std::printf("Save of %zu MB: %.0f ms (limit 1000 ms)\n", sizeMb, msSince(clock));
}

// Goto 99 % of a TEXT document of the same size, with the repaint it causes.
void gotoNearTheEndOfText(QuilloryDoc& doc, QuilloryView& view, const std::string& folder, std::size_t sizeMb)
{
    EditControl& control = view.control();
    const std::string textPath = folder + "/quillory-bench-editor.txt";
    writeTextFile(textPath, sizeMb << 20);
    doc.loadFile(textPath);
    control.viewport()->repaint();
    auto* tools = view.findChild<EditingToolsController*>();
    tools->openGoto();
    GotoDialog& dialog = *tools->gotoDialog();
    QTest::mouseClick(dialog.byPercentBox(), Qt::LeftButton);
    QTest::keyClicks(dialog.percentEdit(), "99");
    QElapsedTimer clock;
    clock.start();
    tools->gotoGo();
    control.viewport()->repaint();
    std::printf(
        "Goto 99 %% of a %zu MB TEXT document with its repaint: %.2f ms (limit 50 ms), selected at %lld of %lld\n",
        sizeMb, msSince(clock), static_cast<long long>(control.selection().start),
        static_cast<long long>(control.textLength()));
    std::remove(textPath.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const std::size_t sizeMb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100;
    const std::string path = folder + "/quillory-bench-editor.bin";
    writeBinaryFile(path, sizeMb << 20);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QElapsedTimer clock;
    clock.start();
    QApplication application(qtArgc, argv);
    bench::PrintedMessageBoxes boxes;
    bench::NoDialogs dialogs;
    QuilloryApp app(boxes);
    bench::NoFileDialogs fileDialogs;
    app.setViewFactory(editorViewFactory(app, boxes, dialogs, fileDialogs, folder + "/Quillory-bench.dat"));
    if (!app.initInstance(path))
        return 1;
    MainFrame& frame = *app.mainFrame();
    frame.show();
    frame.grab();  // one full paint of the window
    std::printf("start-up with a %zu MB BINARY file to the first painted window: %.0f ms (limit 1000 ms)\n", sizeMb,
                msSince(clock));

    auto* view = dynamic_cast<QuilloryView*>(frame.activeView());
    typeInTheMiddle(view->control());
    QuilloryDoc& doc = *app.document();
    save(doc, sizeMb);
    std::printf("peak memory: %.0f MB (limit 2.2 x %zu + 80 = %.0f MB)\n", bench::peakMegabytes(), sizeMb,
                2.2 * static_cast<double>(sizeMb) + 80);
    std::remove(path.c_str());
    gotoNearTheEndOfText(doc, *view, folder, sizeMb);
    return 0;
}
