// The hex pane as a user meets it, offscreen, in the real main window: a 100 MB BINARY file loaded
// to the painted window with the pane and without it (each in a process of its own, so that each
// has its own peak memory), hex digits typed into the pane in the middle of the file, Ctrl+End and
// Page Down in the pane, and scrolling the pane anywhere in a 1 GB file. Prints times and memory.
//
// usage: bench_hexpane [folder for the test files] [size in MB] [--no-gigabyte]
//        bench_hexpane --run with|without|gigabyte FILE   (one measured process; used by the above)

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <random>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "app/EditorView.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "bench/BenchSupport.h"
#include "commands/CommandIds.h"
#include "controllers/HexPaneController.h"
#include "document/QuilloryDoc.h"
#include "editcontrol/HexPane.h"
#include "view/QuilloryView.h"

extern char** environ;

using namespace quillory;

namespace {

void writeBinaryFile(const std::string& path, std::size_t size)
{
    std::vector<char> bytes(std::size_t{1} << 20);
    std::mt19937_64 random(42);
    FILE* f = std::fopen(path.c_str(), "wb");
    for (std::size_t written = 0; written < size; written += bytes.size()) {
        for (auto& b : bytes)
            b = static_cast<char>(random());
        std::fwrite(bytes.data(), 1, std::min(bytes.size(), size - written), f);
    }
    std::fclose(f);
}

double msSince(const QElapsedTimer& clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

struct Sorted {
    std::vector<double> ms;
    double median() { return sortedMs()[ms.size() / 2]; }
    double max() { return sortedMs().back(); }
    const std::vector<double>& sortedMs()
    {
        std::sort(ms.begin(), ms.end());
        return ms;
    }
};

// The editor in its main window, painted once, with the pane on or off for BINARY documents.
struct Editor {
    explicit Editor(const std::string& folder)
    {
        app.setViewFactory(editorViewFactory(app, boxes, dialogs, fileDialogs, folder + "/Quillory-bench.dat"));
        app.initInstance("");
        frame().show();
        frame().grab();
    }
    MainFrame& frame() { return *app.mainFrame(); }
    QuilloryView& view() { return *dynamic_cast<QuilloryView*>(frame().activeView()); }
    HexPaneController& hexPane() { return *view().findChild<HexPaneController*>(); }
    HexRows& rows() { return hexPane().pane().rows(); }
    // Paints what a key changes, as the screen would show it: the pane's rows and the characters.
    void repaint()
    {
        rows().viewport()->grab();
        view().control().viewport()->grab();
    }

    bench::PrintedMessageBoxes boxes;
    bench::NoDialogs dialogs;
    bench::NoFileDialogs fileDialogs;
    QuilloryApp app{boxes};
};

// One process: the load of path to the painted window, with the pane or without it.
int runLoad(const std::string& path, bool withPane)
{
    const std::string folder = path.substr(0, path.rfind('/'));
    Editor editor(folder);
    // A small BINARY document first, in both runs alike (the first one sets up its fonts); the
    // pane is turned off for BINARY documents while it is shown.
    const std::string small = path + ".small";
    writeBinaryFile(small, 16);
    editor.app.document()->loadFile(small);
    editor.frame().grab();
    if (!withPane)
        editor.frame().commandRouter().execute(cmd::ID_VIEW_HEX_PANE);
    std::remove(small.c_str());
    QElapsedTimer clock;
    clock.start();
    editor.app.document()->loadFile(path);
    editor.frame().grab();
    std::printf("%.1f %.1f\n", msSince(clock), bench::peakMegabytes());
    return editor.hexPane().isShown() == withPane ? 0 : 1;
}

// Hex digits typed into the pane in the middle, each with its repaint; then Ctrl+End and Page Down.
void typeAndMove(Editor& editor)
{
    HexRows& rows = editor.rows();
    EditControl& control = editor.view().control();
    // Ctrl+End right after an edit in the middle lays out the characters' rows from there to the
    // end; the same key in the characters themselves is timed alike, for comparison.
    const auto timedEnd = [&editor](QWidget* where, const char* name) {
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(where, Qt::Key_End, Qt::ControlModifier);
        editor.repaint();
        std::printf("%s: %.2f ms (limit 16 ms)\n", name, msSince(clock));
        QTest::keyClick(where, Qt::Key_Home, Qt::ControlModifier);
    };
    control.select(control.textLength() / 2, control.textLength() / 2);
    for (int i = 0; i < 200; ++i)
        QTest::keyClicks(&control, QStringLiteral("x"));
    timedEnd(&control, "for comparison, Ctrl+End in the characters after 200 characters typed there in the middle");
    control.select(control.textLength() / 2, control.textLength() / 2);
    rows.setFocus();
    Sorted digits;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer clock;
        clock.start();
        QTest::keyClicks(&rows, QString(QLatin1Char("0123456789abcdef"[i % 16])));
        editor.repaint();
        digits.ms.push_back(msSince(clock));
    }
    std::printf("hex digit typed into the pane in the middle (storage, control, both painted): median %.2f ms, max "
                "%.2f ms (limit 16 ms)\n",
                digits.median(), digits.max());
    timedEnd(&rows, "Ctrl+End in the pane after typing in the middle, both painted");
    timedEnd(&rows, "Ctrl+End in the pane again, both painted");

    Sorted pages;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(&rows, Qt::Key_PageDown);
        editor.repaint();
        pages.ms.push_back(msSince(clock));
    }
    std::printf("Page Down in the pane, both painted: median %.2f ms, max %.2f ms (limit 16 ms)\n", pages.median(),
                pages.max());
}

// The pane's scroll bar dragged to random places of a large file, the characters following.
int runGigabyte(const std::string& path)
{
    const std::string folder = path.substr(0, path.rfind('/'));
    Editor editor(folder);
    QElapsedTimer load;
    load.start();
    if (!editor.app.document()->loadFile(path))
        return 1;
    editor.frame().grab();
    std::printf("a %lld MB BINARY file loaded and painted with the pane: %.0f ms\n",
                static_cast<long long>(editor.view().control().textLength() >> 20), msSince(load));
    QScrollBar* bar = editor.rows().verticalScrollBar();
    std::mt19937 random(7);
    Sorted scrolls;
    for (int i = 0; i < 100; ++i) {
        QElapsedTimer clock;
        clock.start();
        bar->setValue(static_cast<int>(random() % static_cast<unsigned>(bar->maximum() + 1)));
        editor.repaint();
        scrolls.ms.push_back(msSince(clock));
    }
    std::printf("scrolling the pane anywhere, the characters following, both painted: median %.2f ms, max %.2f ms "
                "(limit 50 ms)\n",
                scrolls.median(), scrolls.max());
    // How long the characters take to catch up with a jump of the pane to the end, a step at a
    // time while the window keeps answering.
    EditControl& control = editor.view().control();
    const std::int64_t size = control.textLength();
    QElapsedTimer clock;
    clock.start();
    bar->setValue(bar->maximum());
    double longestTurn = 0;
    while (control.topRowStart() < size - (std::int64_t{1} << 16) && clock.elapsed() < 60000) {
        QElapsedTimer turn;
        turn.start();
        QCoreApplication::processEvents();
        longestTurn = std::max(longestTurn, msSince(turn));
    }
    std::printf(
        "the characters caught up with the pane at the end after %.0f ms; the longest event-loop turn meanwhile "
        "%.1f ms\n",
        msSince(clock), longestTurn);
    std::printf("peak memory: %.0f MB\n", bench::peakMegabytes());
    return 0;
}

// Runs this program again with args and returns what it printed.
std::string runChild(const char* self, const std::vector<std::string>& args)
{
    const std::string output = "/tmp/quillory-bench-hexpane.out";
    std::vector<std::string> argv{self};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const bool spawned = posix_spawn(&pid, self, &actions, nullptr, pointers.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!spawned)
        return {};
    int status = 0;
    waitpid(pid, &status, 0);
    std::string text;
    if (FILE* f = std::fopen(output.c_str(), "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            text.append(buffer, n);
        std::fclose(f);
    }
    std::remove(output.c_str());
    return text;
}

void compareLoads(const char* self, const std::string& path, std::size_t sizeMb)
{
    // Alternating rounds, so that the page cache and the machine's load treat both alike.
    Sorted with;
    Sorted without;
    double peakWith = 0;
    double peakWithout = 0;
    for (int round = 0; round < 9; ++round) {
        for (const bool pane : {true, false}) {
            double ms = 0;
            double peak = 0;
            const std::string out = runChild(self, {"--run", pane ? "with" : "without", path});
            if (std::sscanf(out.c_str(), "%lf %lf", &ms, &peak) != 2)
                std::printf("  a run failed: %s\n", out.c_str());
            (pane ? with : without).ms.push_back(ms);
            (pane ? peakWith : peakWithout) = std::max(pane ? peakWith : peakWithout, peak);
        }
    }
    std::printf("a %zu MB BINARY file loaded to the painted window: median %.0f ms with the pane, %.0f ms without "
                "(ratio %.3f, limit 1.1)\n",
                sizeMb, with.median(), without.median(), with.median() / without.median());
    std::printf("peak memory: %.1f MB with the pane, %.1f MB without (%.1f MB more, limit 5 MB)\n", peakWith,
                peakWithout, peakWith - peakWithout);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    if (argc == 4 && std::string(argv[1]) == "--run") {
        QApplication application(qtArgc, argv);
        const std::string what = argv[2];
        return what == "gigabyte" ? runGigabyte(argv[3]) : runLoad(argv[3], what == "with");
    }
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const std::size_t sizeMb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100;
    const bool gigabyte = !(argc > 3 && std::string(argv[3]) == "--no-gigabyte");
    const std::string path = folder + "/quillory-bench-hexpane.bin";
    writeBinaryFile(path, sizeMb << 20);
    compareLoads("/proc/self/exe", path, sizeMb);
    {
        QApplication application(qtArgc, argv);
        Editor editor(folder);
        editor.app.document()->loadFile(path);
        editor.frame().grab();
        typeAndMove(editor);
    }
    std::remove(path.c_str());
    if (gigabyte) {
        const std::string large = folder + "/quillory-bench-hexpane-1g.bin";
        writeBinaryFile(large, std::size_t{1} << 30);
        std::printf("%s", runChild("/proc/self/exe", {"--run", "gigabyte", large}).c_str());
        std::remove(large.c_str());
    }
    return 0;
}
