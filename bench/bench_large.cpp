// The whole editor, offscreen, opening a large file as a user would: a BINARY file of random bytes
// and a TEXT file of 80-column lines, 100 MB and 1000 MB, read from the disk (cache cold) and from
// the page cache (warm). Each case runs in a fresh process, so its peak memory and the first touch
// of its memory are its own. Prints, one line each: the first paint of the main window, the first
// paint of the control with the whole document in it, the time to an idle window, the first five
// keys typed at the caret, Page Down, Ctrl+End, Save, and the peak memory.
//
// With --filled the page cache is first filled as on a desktop in use (see MemoryState.h);
// otherwise it is dropped. The files are made in the folder (default /tmp) and removed after.
//
// usage: bench_large [folder] [--sizes 100,1000] [--only binary|text] [--filled] [--runs N] [--fill-gb N]
//                    [--huge-pages-off]
// With --runs N every case runs N times, each in its own process, and each figure is the median.
// --huge-pages-off runs the cases with transparent huge pages disabled for their processes
// (PR_SET_THP_DISABLE), so the byte heap's advice for huge pages is ignored: the same build with
// ordinary pages, for comparison.

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/EditorView.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "bench/BenchSupport.h"
#include "bench/MemoryState.h"
#include "commands/CommandIds.h"
#include "document/QuilloryDoc.h"
#include "editcontrol/EditControl.h"
#include "qtplatform/ProgressDialog.h"
#include "qtplatform/QtLongWork.h"
#include "view/QuilloryView.h"

using namespace quillory;

namespace {

constexpr unsigned kChildTimeLimit = 120;  // seconds
constexpr std::size_t kChunk = 4 * bench::kMegabyte;
constexpr int kLineLength = 80;
constexpr std::size_t kLabelWidth = 50;  // of the figures the child prints

// Message boxes are recorded, printed and answered with OK, so nothing waits for a user.
class RecordingMessageBoxes final : public IMessageBoxes {
public:
    MessageResult show(const MessageBoxRequest& request) override
    {
        texts.push_back(request.text);
        std::printf("message box: %s\n", request.text.c_str());
        return MessageResult::Ok;
    }
    std::vector<std::string> texts;
};

double msSince(const QElapsedTimer& clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Watches every event the application delivers: the first paints, and whether the event queue has
// run dry (see waitForIdle).
class EventWatch final : public QObject {
public:
    EventWatch(const QElapsedTimer& clock, std::int64_t documentLength)
        : m_clock(clock), m_documentLength(documentLength)
    {
        m_probe.setSingleShot(true);
        m_probe.setInterval(0);
    }

    double firstWindowPaint = -1;    // ms: anything of the main window painted
    double firstDocumentPaint = -1;  // ms: the control's viewport painted with the whole document
    std::int64_t lengthAtFirstControlPaint = -1;

    // Runs the event loop until a zero timer fires twice with no other event delivered between:
    // the queue was empty. Returns the time then.
    double waitForIdle()
    {
        QEventLoop loop;
        double idleAt = -1;
        QObject::connect(&m_probe, &QTimer::timeout, &loop, [&] {
            if (m_eventsSinceProbe == 0) {
                idleAt = msSince(m_clock);
                loop.quit();
                return;
            }
            m_eventsSinceProbe = 0;
            m_probe.start();
        });
        m_eventsSinceProbe = 1;
        m_probe.start();
        loop.exec();
        return idleAt;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_probe && event->type() == QEvent::Timer)
            return false;
        ++m_eventsSinceProbe;
        if (event->type() == QEvent::Paint)
            notePaint(watched);
        return false;
    }

private:
    void notePaint(QObject* watched)
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr)
            return;
        if (firstWindowPaint < 0 && qobject_cast<MainFrame*>(widget->window()) != nullptr)
            firstWindowPaint = msSince(m_clock);
        auto* control = qobject_cast<EditControl*>(widget->parentWidget());
        if (control == nullptr || widget != control->viewport())
            return;
        if (lengthAtFirstControlPaint < 0)
            lengthAtFirstControlPaint = control->textLength();
        if (firstDocumentPaint < 0 && control->textLength() == m_documentLength)
            firstDocumentPaint = msSince(m_clock);
    }

    const QElapsedTimer& m_clock;
    std::int64_t m_documentLength;
    QTimer m_probe;
    int m_eventsSinceProbe = 0;
};

// One figure a line: the label, the value and its unit, which the parent reads back.
void printFigure(const char* what, double value, const char* unit = "ms")
{
    if (value < 0)
        std::printf("%-50s never\n", what);
    else
        std::printf("%-50s %9.1f %s\n", what, value, unit);
}

// One user action on the control, with the repaint it causes; the events it left are handled
// after the clock stops.
template <typename Action>
double timedWithRepaint(EditControl& control, Action action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    control.viewport()->repaint();
    const double ms = msSince(clock);
    QCoreApplication::processEvents();
    return ms;
}

void typeAndMove(EditControl& control)
{
    for (int i = 0; i < 5; ++i) {
        const double ms = timedWithRepaint(control, [&] { QTest::keyClick(&control, static_cast<char>('a' + i)); });
        const std::string what = "key " + std::to_string(i + 1) + " at the caret (with repaint)";
        printFigure(what.c_str(), ms);
    }
    printFigure("Page Down (with repaint)",
                timedWithRepaint(control, [&] { QTest::keyClick(&control, Qt::Key_PageDown); }));
    printFigure("Ctrl+End (with repaint)",
                timedWithRepaint(control, [&] { QTest::keyClick(&control, Qt::Key_End, Qt::ControlModifier); }));
}

void saveThroughRouter(MainFrame& frame, QuilloryDoc& doc)
{
    QElapsedTimer clock;
    clock.start();
    const bool ran = frame.onCommand(cmd::ID_FILE_SAVE);
    const double ms = msSince(clock);
    printFigure(ran && !doc.isModified() ? "Save (ID_FILE_SAVE)" : "Save (ID_FILE_SAVE) - NOT SAVED", ms);
}

// Presses Cancel in the progress window as soon as it shows while start() runs; the time from the
// press until start() returned, or -1 when the work ended before its window showed.
double cancelLatency(const std::function<void()>& start)
{
    QElapsedTimer sincePress;
    bool pressed = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        ProgressDialog* dialog = QtLongWork::shownDialog();
        if (pressed || dialog == nullptr)
            return;
        pressed = true;
        sincePress.start();
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
    });
    poll.start();
    start();
    poll.stop();
    return pressed ? msSince(sincePress) : -1;
}

void printCancelLatencies(QuilloryApp& app, EditControl& control, const std::string& path)
{
    printFigure("Cancel during Open: press to end (-1: done before progress showed)",
                cancelLatency([&] { app.document()->openFile(path); }));
    QTest::keyClick(&control, 'x');
    printFigure("Cancel during Save: press to end (-1: done before progress showed)",
                cancelLatency([&] { app.mainFrame()->onCommand(cmd::ID_FILE_SAVE); }));
}

// A "kB" field of /proc/self/status or smaps_rollup, in MB.
double procMegabytes(const char* file, const std::string& field)
{
    std::ifstream status(file);
    std::string name;
    std::string rest;
    while (status >> name) {
        if (name == field + ":") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
        std::getline(status, rest);
    }
    return -1;
}

void printStartFigures(const EventWatch& watch, double initMs, double idleMs)
{
    printFigure("initInstance returned", initMs);
    printFigure("first paint of the main window", watch.firstWindowPaint);
    printFigure("first paint of the control with the document", watch.firstDocumentPaint);
    if (watch.firstDocumentPaint < 0)
        std::printf("(the control's first paint had %lld bytes)\n",
                    static_cast<long long>(watch.lengthAtFirstControlPaint));
    printFigure("idle window", idleMs);
}

// The child: the editor as main() builds it, timed from just before initInstance.
int runCase(const std::string& path, const std::string& folder, char* programName, bool hugePagesOff)
{
    ::alarm(kChildTimeLimit);
    if (hugePagesOff)
        ::prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0);  // the heap's advice is then ignored
    std::setvbuf(stdout, nullptr, _IOLBF, 0);     // what was measured survives the time limit
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, &programName);
    RecordingMessageBoxes boxes;
    bench::NoDialogs dialogs;
    bench::NoFileDialogs fileDialogs;
    QuilloryApp app(boxes);
    app.setFileDialogs(&fileDialogs);
    app.setViewFactory(editorViewFactory(app, boxes, dialogs, fileDialogs, folder + "/quillory-bench-large.dat"));
    QElapsedTimer clock;
    EventWatch watch(clock, info.st_size);
    QCoreApplication::instance()->installEventFilter(&watch);
    clock.start();
    const bool started = app.initInstance(path);
    const double initMs = msSince(clock);
    if (!started) {
        std::printf("initInstance failed after %.1f ms\n", initMs);
        std::fflush(stdout);
        _exit(1);
    }
    const double idleMs = watch.waitForIdle();
    printStartFigures(watch, initMs, idleMs);
    auto* view = dynamic_cast<QuilloryView*>(app.mainFrame()->activeView());
    typeAndMove(view->control());
    saveThroughRouter(*app.mainFrame(), *app.document());
    printFigure("peak memory (VmHWM)", procMegabytes("/proc/self/status", "VmHWM"), "MB");
    printCancelLatencies(app, view->control(), path);
    printFigure("memory in huge pages at the end", procMegabytes("/proc/self/smaps_rollup", "AnonHugePages"), "MB");
    printFigure("message boxes", static_cast<double>(boxes.texts.size()), "");
    std::fflush(stdout);
    _exit(0);  // the teardown of a gigabyte document is not measured
}

// Writes the test file in pieces, so that this process never holds it.
bool writeTestFile(const std::string& path, std::uint64_t size, bool binary)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    std::vector<char> chunk(kChunk);
    std::mt19937_64 random(42);
    std::uint64_t column = 0;
    bool ok = true;
    for (std::uint64_t written = 0; ok && written < size; written += chunk.size()) {
        for (char& byte : chunk) {
            if (binary) {
                byte = static_cast<char>(random());
            } else {
                byte = column == kLineLength ? '\n' : static_cast<char>(' ' + (random() % 95));
                column = column == kLineLength ? 0 : column + 1;
            }
        }
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - written));
        ok = std::fwrite(chunk.data(), 1, piece, file) == piece;
    }
    return std::fclose(file) == 0 && ok;
}

struct Options {
    std::string folder = "/tmp";
    std::vector<std::uint64_t> sizesMb{100, 1000};
    std::vector<bool> kinds{true, false};  // BINARY, TEXT
    bool filled = false;
    std::uint64_t fillGb = 0;
    int runs = 1;
    bool hugePagesOff = false;  // each case's process runs with transparent huge pages disabled
};

std::vector<std::uint64_t> parseSizes(const std::string& list)
{
    std::vector<std::uint64_t> sizes;
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t comma = list.find(',', at);
        const std::string item = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        if (const std::uint64_t mb = std::strtoull(item.c_str(), nullptr, 10); mb > 0)
            sizes.push_back(mb);
        at = comma == std::string::npos ? list.size() : comma + 1;
    }
    return sizes;
}

Options parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const bool hasValue = i + 1 < argc;
        if (word == "--filled")
            options.filled = true;
        else if (word == "--huge-pages-off")
            options.hugePagesOff = true;
        else if (word == "--sizes" && hasValue)
            options.sizesMb = parseSizes(argv[++i]);
        else if (word == "--only" && hasValue)
            options.kinds = {std::string(argv[++i]) == "binary"};
        else if (word == "--runs" && hasValue)
            options.runs = std::max(1, std::atoi(argv[++i]));
        else if (word == "--fill-gb" && hasValue)
            options.fillGb = std::strtoull(argv[++i], nullptr, 10);
        else if (word.rfind("--", 0) != 0)
            options.folder = word;
    }
    return options;
}

// Makes the state every case starts from: the page cache full again, or as dropped at the start.
class MemoryStateKeeper {
public:
    explicit MemoryStateKeeper(const Options& options) : m_filled(options.filled)
    {
        if (m_filled) {
            m_fillFiles = bench::makeFillFiles(bench::defaultFillBytes(options.fillGb));
            std::printf("state: filled, the page cache filled from %zu files of 1 GB in %s\n", m_fillFiles.size(),
                        bench::kFillFolder);
        } else {
            const bool dropped = bench::dropCaches();
            std::printf("state: fresh, %s\n",
                        dropped ? "page cache dropped (sync; echo 3 > /proc/sys/vm/drop_caches)"
                                : "the page cache could NOT be dropped (no write access to drop_caches)");
        }
    }
    void restore() const { bench::topUpPageCache(m_fillFiles); }

private:
    bool m_filled;
    std::vector<std::string> m_fillFiles;
};

// The figures of one case over its runs, in the order the child prints them.
class CaseFigures {
public:
    void add(const std::string& output)
    {
        std::size_t at = 0;
        while (at < output.size()) {
            const std::size_t end = std::min(output.find('\n', at), output.size());
            addLine(output.substr(at, end - at));
            at = end + 1;
        }
    }
    void addParentPeak(double megabytes)
    {
        figure("peak memory seen by the parent (ru_maxrss)", "MB").push_back(megabytes);
    }
    void print() const
    {
        for (const std::string& line : m_otherLines)
            std::printf("    %s\n", line.c_str());
        for (const Figure& f : m_figures) {
            std::string all;
            for (const double value : f.values)
                all += (all.empty() ? "" : ", ") + numberText(value);
            const double middle = medianOf(f.values);
            std::printf("    %-50s %9.1f %-2s  median of [%s]\n", f.label.c_str(), middle, f.unit.c_str(), all.c_str());
        }
        std::fflush(stdout);
    }

private:
    struct Figure {
        std::string label;
        std::string unit;
        std::vector<double> values;
    };

    static std::string numberText(double value)
    {
        if (value < 0)
            return "never";
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", value);
        return text;
    }

    // "label (padded to 50) value unit", or "label never"; any other line is kept as it is.
    void addLine(const std::string& line)
    {
        if (line.size() <= kLabelWidth || line.rfind("message box:", 0) == 0) {
            if (!line.empty())
                m_otherLines.push_back(line);
            return;
        }
        std::string label = line.substr(0, kLabelWidth);
        label.erase(label.find_last_not_of(' ') + 1);
        const std::string rest = line.substr(kLabelWidth);
        double value = -1;
        char unit[8] = "";
        if (rest.find("never") == std::string::npos && std::sscanf(rest.c_str(), "%lf %7s", &value, unit) < 1) {
            m_otherLines.push_back(line);
            return;
        }
        figure(label, unit).push_back(value);
    }

    std::vector<double>& figure(const std::string& label, const std::string& unit)
    {
        for (Figure& f : m_figures) {
            if (f.label == label)
                return f.values;
        }
        m_figures.push_back({label, unit, {}});
        return m_figures.back().values;
    }

    // The median of the values that were reached; -1 when none was.
    static double medianOf(std::vector<double> values)
    {
        values.erase(std::remove(values.begin(), values.end(), -1.0), values.end());
        if (values.empty())
            return -1;
        std::sort(values.begin(), values.end());
        const std::size_t middle = values.size() / 2;
        return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    }

    std::vector<Figure> m_figures;
    std::vector<std::string> m_otherLines;
};

void runOneCase(const Options& options, const MemoryStateKeeper& state, const std::string& path, bool cold)
{
    CaseFigures figures;
    for (int run = 0; run < options.runs; ++run) {
        state.restore();
        if (cold)
            bench::evictFile(path);
        else
            bench::readWholeFile(path);
        std::printf("  cache %s, run %d; before: %s\n", cold ? "cold" : "warm", run + 1,
                    bench::memorySummary().c_str());
        std::vector<std::string> arguments{"--case", path, options.folder};
        if (options.hugePagesOff)
            arguments.emplace_back("--huge-pages-off");
        const bench::ChildRun child = bench::runSelf(arguments);
        figures.add(child.output);
        figures.addParentPeak(static_cast<double>(child.usage.ru_maxrss) / 1024.0);
        if (!child.exitedCleanly())
            std::printf("    run %d: %s\n", run + 1, child.ending().c_str());
    }
    figures.print();
}

void runCases(const Options& options)
{
    const MemoryStateKeeper state(options);
    std::printf("huge pages: %s\n", options.hugePagesOff ? "disabled for every case (PR_SET_THP_DISABLE)"
                                                         : "as the system and the byte heap's advice give them");
    for (const std::uint64_t sizeMb : options.sizesMb) {
        for (const bool binary : options.kinds) {
            const std::string path =
                options.folder + "/quillory-bench-large-" + std::to_string(sizeMb) + (binary ? ".bin" : ".txt");
            if (!writeTestFile(path, sizeMb * bench::kMegabyte, binary)) {
                std::perror(path.c_str());
                continue;
            }
            std::printf("\n%s %llu MB\n", binary ? "BINARY" : "TEXT", static_cast<unsigned long long>(sizeMb));
            runOneCase(options, state, path, true);
            runOneCase(options, state, path, false);
            std::remove(path.c_str());
        }
    }
    std::remove((options.folder + "/quillory-bench-large.dat").c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    if ((argc == 4 || argc == 5) && std::string(argv[1]) == "--case")
        return runCase(argv[2], argv[3], argv[0], argc == 5);
    runCases(parseOptions(argc, argv));
    return 0;
}
