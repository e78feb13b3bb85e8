// Speed and memory of the edit control on a 100 MB UTF-8 text of mixed scripts (Latin with
// accents, Greek, Cyrillic, CJK) in 80-column lines plus one 10 MB line at the end, offscreen,
// with word wrap on, handed over as the editor hands a loaded file over.
#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "editcontrol/EditControl.h"
#include "editcore/Utf8.h"

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

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One line of each script, about 80 columns each (the CJK line 40 wide characters).
const char* const kLines[] = {
    "Gr\xC3\xBC\xC3\x9F"
    "e aus K\xC3\xB6ln: \xC3\xA0 la fa\xC3\xA7on de na\xC3\xAFve co\xC3\xB6perators, \xC3\xA9l\xC3\xA8ve "
    "\xC3\xA0 l'\xC3\xA9"
    "cole; se\xC3\xB1or, \xC3\xA5r \xC3\xB8l.",
    "\xCE\x93\xCE\xB1\xCE\xB6\xCE\xAD\xCE\xB5\xCF\x82 \xCE\xBA\xCE\xB1\xE1\xBD\xB6 "
    "\xCE\xBC\xCF\x85\xCF\x81\xCF\x84\xCE\xB9"
    "\xE1\xBD\xB2\xCF\x82 \xCE\xB4\xE1\xBD\xB2\xCE\xBD \xCE\xB8\xE1\xBD\xB0 \xCE\xB2\xCF\x81\xE1\xBF\xB6 "
    "\xCF\x80\xCE\xB9"
    "\xE1\xBD\xB0 \xCF\x83\xF0\x9F\x98\x80 \xCF\x84\xE1\xBD\xB8 "
    "\xCF\x87\xCF\x81\xCF\x85\xCF\x83\xCE\xB1\xCF\x86\xE1\xBD"
    "\xB6 \xCE\xBE\xCE\xAD\xCF\x86\xCF\x89\xCF\x84\xCE\xBF",
    "\xD0\xA1\xD1\x8A\xD0\xB5\xD1\x88\xD1\x8C \xD0\xB6\xD0\xB5 \xD0\xB5\xD1\x89\xD1\x91 "
    "\xD1\x8D\xD1\x82\xD0\xB8\xD1\x85 "
    "\xD0\xBC\xD1\x8F\xD0\xB3\xD0\xBA\xD0\xB8\xD1\x85 "
    "\xD1\x84\xD1\x80\xD0\xB0\xD0\xBD\xD1\x86\xD1\x83\xD0\xB7\xD1\x81\xD0"
    "\xBA\xD0\xB8\xD1\x85 \xD0\xB1\xD1\x83\xD0\xBB\xD0\xBE\xD0\xBA, \xD0\xB4\xD0\xB0 "
    "\xD0\xB2\xD1\x8B\xD0\xBF\xD0\xB5\xD0"
    "\xB9 \xD1\x87\xD0\xB0\xD1\x8E.",
    "\xE6\x98\xA5\xE7\x9C\xA0\xE4\xB8\x8D\xE8\xA7\x89\xE6\x99\x93\xEF\xBC\x8C\xE5\xA4\x84\xE5\xA4\x84\xE9\x97\xBB\xE5"
    "\x95"
    "\xBC\xE9\xB8\x9F\xE3\x80\x82\xE5\xA4\x9C\xE6\x9D\xA5\xE9\xA3\x8E\xE9\x9B\xA8\xE5\xA3\xB0\xEF\xBC\x8C\xE8\x8A\xB1"
    "\xE8"
    "\x90\xBD\xE7\x9F\xA5\xE5\xA4\x9A\xE5\xB0\x91\xE3\x80\x82\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x96"
    "\x87"
    "\xE7\xAB\xA0\xE3\x82\x82\xE3\x81\x82\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x99\xE3\x80\x82\xED\x95\x9C\xEA\xB5\xAD\xEC"
    "\x96"
    "\xB4",
};

// 90 MB of 80-column lines, then a 10 MB line of the same scripts separated by spaces.
std::string mixedScripts(std::size_t size, std::size_t longLine)
{
    std::string s;
    s.reserve(size + 64);
    for (std::size_t i = 0; s.size() + 400 < size - longLine; ++i) {
        s += kLines[i % std::size(kLines)];
        s += "\r\n";
    }
    for (std::size_t i = 0; s.size() + 400 < size; ++i) {
        s += kLines[i % std::size(kLines)];
        s += ' ';
    }
    return s;
}

void key(EditControl& w, int k, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, k, mods, text);
    QApplication::sendEvent(&w, &press);
    w.viewport()->repaint();
}

// One key with its repaint, timed.
double timedKey(EditControl& w, int k, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
{
    const auto t0 = Clock::now();
    key(w, k, mods, text);
    return msSince(t0);
}

double maxOf(const std::vector<double>& v)
{
    return *std::max_element(v.begin(), v.end());
}

// What the benchmark measures.
struct Figures {
    std::vector<double> recognising;
    bool valid = false;
    double recognisingAscii = 0;
    bool asciiValid = false;
    double setAndPaint = 0;
    double controlMb = 0;
    double ctrlEndCold = 0;
    double ctrlEndWarm = 0;
    std::vector<double> typing;
    std::vector<double> pageDown;
    std::vector<double> longLineTyping;
    double afterEdits = 0;
    double findFolded = 0;
    bool foundFolded = false;
};

// Recognising UTF-8 five times in the text, then once in an all-ASCII text of the same size.
void measureRecognition(const std::string& text, Figures& figures)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        figures.valid = utf8::isValid(bytes, text.size());
        figures.recognising.push_back(msSince(t0));
    }
    const std::string ascii(text.size(), 'a');
    const auto t0 = Clock::now();
    figures.asciiValid = utf8::isValid(reinterpret_cast<const std::uint8_t*>(ascii.data()), ascii.size());
    figures.recognisingAscii = msSince(t0);
}

// A shown control in a monospaced font, reading UTF-8.
void prepareControl(EditControl& w)
{
    w.resize(1000, 700);
    w.show();
    QApplication::processEvents();
    CharFormat format;
    format.mask = kMaskFace | kMaskSize;
    format.height = 200;
    format.setFaceName("Liberation Mono");
    w.setDefaultCharFormat(format);
    w.setEncoding(TextEncoding::Utf8);
    w.viewport()->repaint();
}

// The editor's way: the loaded block (with spare room) is handed over, not copied.
void handOver(EditControl& w, const std::string& text, Figures& figures)
{
    HeapBlock block(cHeap(), text.size() + 1 + std::size_t{64} * 1024);
    std::memcpy(block.data(), text.data(), text.size());
    block.data()[text.size()] = 0;
    const auto t0 = Clock::now();
    w.adoptWindowText(std::move(block), text.size());
    w.viewport()->repaint();
    figures.setAndPaint = msSince(t0);
}

// Ctrl+End before the layout has gone through the text, then again once it has.
void measureCtrlEnd(EditControl& w, Figures& figures)
{
    figures.ctrlEndCold = timedKey(w, Qt::Key_End, Qt::ControlModifier);
    key(w, Qt::Key_Home, Qt::ControlModifier);
    while (!w.layoutIdleStep()) {
    }
    figures.ctrlEndWarm = timedKey(w, Qt::Key_End, Qt::ControlModifier);
}

// Typing and paging down from the middle, then typing far into the long line.
void measureEdits(EditControl& w, Figures& figures)
{
    w.select(w.textLength() / 2, w.textLength() / 2);
    w.viewport()->repaint();
    for (int i = 0; i < 60; ++i) {
        const auto t0 = Clock::now();
        key(w, Qt::Key_unknown, Qt::NoModifier, i % 2 ? QString(QChar(0x4E2D)) : QString(QChar(0xE9)));
        figures.typing.push_back(msSince(t0));
    }
    for (int i = 0; i < 60; ++i)
        figures.pageDown.push_back(timedKey(w, Qt::Key_PageDown));
    w.select(w.textLength() - (5 << 20), w.textLength() - (5 << 20));
    w.viewport()->repaint();
    for (int i = 0; i < 30; ++i) {
        const auto t0 = Clock::now();
        key(w, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x3A9)));
        figures.longLineTyping.push_back(msSince(t0));
    }
}

// Find with Unicode case folding through the whole text (the needle is not in it).
void measureFoldedFind(EditControl& w, Figures& figures)
{
    FindOptions folded;
    folded.encoding = TextEncoding::Utf8;
    const auto t0 = Clock::now();
    figures.foundFolded = w.findText("\xCE\xA3\xCE\xA4\xCE\x9F K\xC3\x96LN", 0, folded).has_value();
    figures.findFolded = msSince(t0);
}

void printFigures(double textMb, const Figures& f)
{
    std::printf("UTF-8, mixed scripts, 80-column lines and one 10 MB line (%.0f MB, %s)\n", textMb,
                f.valid ? "valid" : "NOT VALID");
    std::printf("  recognising the encoding   %8.1f ms median, %.1f ms first (target <= 50); all ASCII %.1f ms%s\n",
                median(f.recognising), f.recognising.front(), f.recognisingAscii, f.asciiValid ? "" : " NOT VALID");
    std::printf("  set text + first paint     %8.1f ms   (target <= 500)\n", f.setAndPaint);
    std::printf("  Ctrl+End + paint, cold     %8.1f ms   (target <= 50)\n", f.ctrlEndCold);
    std::printf("  Ctrl+End + paint, laid out %8.1f ms   (target <= 50)\n", f.ctrlEndWarm);
    std::printf("  typed char in middle       %8.2f ms median, %.1f ms first, %.1f ms max (target <= 16 median)\n",
                median(f.typing), f.typing.front(), maxOf(f.typing));
    std::printf("  Page Down + paint          %8.2f ms median, %.1f ms max (target <= 16)\n", median(f.pageDown),
                maxOf(f.pageDown));
    std::printf("  typed char in the long line%8.2f ms median, %.1f ms max\n", median(f.longLineTyping),
                maxOf(f.longLineTyping));
    std::printf("  Find without case, folded  %8.1f ms through the whole text%s\n", f.findFolded,
                f.foundFolded ? " (found?)" : "");
    std::printf("  control memory             %8.1f MB after set, %.1f MB after edits (limit %.1f MB)\n", f.controlMb,
                f.afterEdits, 1.1 * textMb + 40);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr std::size_t kHundredMb = 100u << 20;
    const std::string text = mixedScripts(kHundredMb, 10u << 20);
    const double textMb = static_cast<double>(text.size()) / (1024.0 * 1024.0);

    Figures figures;
    measureRecognition(text, figures);
    EditControl w;
    prepareControl(w);
    const double before = residentMb();
    handOver(w, text, figures);
    figures.controlMb = residentMb() - before;
    measureCtrlEnd(w, figures);
    measureEdits(w, figures);
    figures.afterEdits = residentMb() - before;
    measureFoldedFind(w, figures);
    printFigures(textMb, figures);
    return 0;
}
