// Speed and memory of the edit control on huge texts, offscreen, with word wrap on.
// Usage: bench_editcontrol [--gigabyte]  (the 1 GB single-line case takes a few seconds more)
#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "editcontrol/EditControl.h"

using namespace quillory;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double residentMb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096.0 / (1024.0 * 1024.0);
}

// A BINARY display copy: every byte but 0, LF and CR, so the text is one line.
std::string singleLine(std::size_t size)
{
    std::string s(size, 'x');
    std::mt19937 rng(1);
    for (char& c : s) {
        auto b = static_cast<unsigned char>(rng() & 0xFF);
        c = static_cast<char>(b == 0 || b == '\n' || b == '\r' || b == '\t' ? 1 : b);
    }
    return s;
}

// Lines of 78 characters of words and CR LF.
std::string eightyColumnLines(std::size_t size)
{
    std::string s;
    s.reserve(size);
    const std::string line = "The quick brown fox jumps over the lazy dog; pack my box with five dozen jugs..\r\n";
    while (s.size() + line.size() <= size)
        s += line;
    return s;
}

void key(EditControl& w, int k, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, k, mods, text);
    QApplication::sendEvent(&w, &press);
    w.viewport()->repaint();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One key with its repaint, timed.
double timedKey(EditControl& w, int k, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
{
    const auto t0 = Clock::now();
    key(w, k, mods, text);
    return msSince(t0);
}

// The same key count times, each with its repaint, timed one by one.
std::vector<double> timedKeys(EditControl& w, int count, int k, const QString& text = {})
{
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        times.push_back(timedKey(w, k, Qt::NoModifier, text));
    return times;
}

// What run() measures on one text.
struct Figures {
    double setAndPaint = 0;
    double controlMb = 0;
    double ctrlEndCold = 0;
    double ctrlEndWarm = 0;
    std::vector<double> typing;
    std::vector<double> pageDown;
    double afterEdits = 0;
    std::vector<double> noWrapTyping;
    double noWrapEnd = 0;
};

// Ctrl+End before the layout has gone through the text, then again once it has.
void measureCtrlEnd(EditControl& w, Figures& figures)
{
    figures.ctrlEndCold = timedKey(w, Qt::Key_End, Qt::ControlModifier);
    key(w, Qt::Key_Home, Qt::ControlModifier);
    while (!w.layoutIdleStep()) {
    }
    figures.ctrlEndWarm = timedKey(w, Qt::Key_End, Qt::ControlModifier);
}

// Typing in the middle and paging down with word wrap on, then typing and Ctrl+End with it off.
void measureEdits(EditControl& w, Figures& figures, double before, double textMb)
{
    w.select(w.textLength() / 2, w.textLength() / 2);
    w.viewport()->repaint();
    figures.typing = timedKeys(w, 60, Qt::Key_A, "a");
    figures.pageDown = timedKeys(w, 60, Qt::Key_PageDown);
    figures.afterEdits = residentMb() - before + textMb;
    w.setWordWrap(false);
    w.select(w.textLength() / 3, w.textLength() / 3);
    w.viewport()->repaint();
    figures.noWrapTyping = timedKeys(w, 30, Qt::Key_B, "b");
    figures.noWrapEnd = timedKey(w, Qt::Key_End, Qt::ControlModifier);
}

double maxOf(const std::vector<double>& v)
{
    return *std::max_element(v.begin(), v.end());
}

void printFigures(const char* name, double textMb, const Figures& f)
{
    std::printf("%s (%.0f MB)\n", name, textMb);
    std::printf("  set text + first paint     %8.1f ms   (target <= 500)\n", f.setAndPaint);
    std::printf("  Ctrl+End + paint, cold     %8.1f ms   (target <= 50)\n", f.ctrlEndCold);
    std::printf("  Ctrl+End + paint, laid out %8.1f ms   (target <= 50)\n", f.ctrlEndWarm);
    std::printf("  typed char in middle       %8.2f ms median, %.1f ms first, %.1f ms max (target <= 16 median)\n",
                median(f.typing), f.typing.front(), maxOf(f.typing));
    std::printf("  Page Down + paint          %8.2f ms median, %.1f ms max (target <= 16)\n", median(f.pageDown),
                maxOf(f.pageDown));
    std::printf("  no wrap: typed char        %8.2f ms median, %.1f ms max; Ctrl+End %.1f ms\n", median(f.noWrapTyping),
                maxOf(f.noWrapTyping), f.noWrapEnd);
    std::printf("  control memory             %8.1f MB after set, %.1f MB after edits (limit %.1f MB)\n", f.controlMb,
                f.afterEdits, 1.1 * textMb + 40);
    std::fflush(stdout);
}

void run(const char* name, std::string text)
{
    const double textMb = static_cast<double>(text.size()) / (1024.0 * 1024.0);
    EditControl w;
    w.resize(1000, 700);
    w.show();
    QApplication::processEvents();
    const double before = residentMb();

    Figures figures;
    const auto t0 = Clock::now();
    w.setText(text);
    w.viewport()->repaint();
    figures.setAndPaint = msSince(t0);
    text = std::string();  // only the control's copy remains
    text.shrink_to_fit();
    figures.controlMb = residentMb() - before + textMb;  // the input was already resident

    measureCtrlEnd(w, figures);
    measureEdits(w, figures, before, textMb);
    printFigures(name, textMb, figures);
}

// How the editor sets a TEXT file: the document's loaded block (with spare room) is handed over,
// not copied. Filling the block, the file read, happens before the clock starts.
void handOver(const char* name, const std::string& text)
{
    constexpr std::size_t kSpare = std::size_t{64} * 1024;
    HeapBlock block(cHeap(), text.size() + 1 + kSpare);
    std::memcpy(block.data(), text.data(), text.size());
    block.data()[text.size()] = 0;
    EditControl w;
    w.resize(1000, 700);
    w.show();
    QApplication::processEvents();
    const auto t0 = Clock::now();
    w.adoptWindowText(std::move(block), text.size());
    w.viewport()->repaint();
    const double setAndPaint = msSince(t0);
    w.select(w.textLength() / 2, w.textLength() / 2);
    const auto t1 = Clock::now();
    key(w, Qt::Key_A, Qt::NoModifier, "a");
    std::printf(
        "%s, handed over (%.0f MB)\n  set text + first paint     %8.1f ms; first typed char in the middle %.1f ms\n",
        name, static_cast<double>(text.size()) / (1024.0 * 1024.0), setAndPaint, msSince(t1));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool gigabyte = argc > 1 && std::string(argv[1]) == "--gigabyte";
    constexpr std::size_t kHundredMb = 100u << 20;
    run("single line, no break", singleLine(kHundredMb));
    run("80-column lines", eightyColumnLines(kHundredMb));
    handOver("single line, no break", singleLine(kHundredMb));
    if (gigabyte) {
        run("single line, no break, 1 GB", singleLine(std::size_t{1} << 30));
        handOver("single line, no break, 1 GB", singleLine(std::size_t{1} << 30));
    }
    return 0;
}
