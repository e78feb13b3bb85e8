// Find and Replace All on a 100 MB text in the edit control, offscreen: Find Next that crosses the
// buffer's gap forward and backward, and Replace All of a million matches with its Undo, each with
// its time and the control's peak memory. First, hex bytes found in 100 MB of random bytes and of zeros.
// Usage: bench_find [--bytes]   (--bytes: the hex bytes figures alone)
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editcontrol/EditControl.h"
#include "editcore/BytePattern.h"

using namespace quillory;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kTextBytes = 100u << 20;
constexpr int kMarkers = 1000000;
constexpr int kRuns = 5;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A field of /proc/self/status (VmRSS, VmHWM) in MB.
double statusMb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string name;
    double kb = 0;
    while (status >> name) {
        if (name == field + ":") {
            status >> kb;
            return kb / 1024.0;
        }
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

// Starts a new peak: VmHWM falls back to the current resident size.
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Writes 100 MB of words in lines of at most 78 columns with CR LF into a C-heap block: "marker"
// exactly kMarkers times, evenly spread, "The very start" first and "the very end" last.
std::size_t writeText(std::uint8_t* out)
{
    static const std::string_view kWords[] = {"the",  "quick", "brown", "fox",    "jumps", "over", "lazy",
                                              "dog",  "pack",  "my",    "box",    "with",  "five", "dozen",
                                              "jugs", "and",   "a",     "liquor", "to",    "of"};
    std::mt19937 rng(5);
    std::size_t n = 0;
    std::size_t column = 0;
    auto put = [&](std::string_view word) {
        if (column > 0 && column + 1 + word.size() > 78) {
            out[n++] = '\r';
            out[n++] = '\n';
            column = 0;
        } else if (column > 0) {
            out[n++] = ' ';
            ++column;
        }
        std::memcpy(out + n, word.data(), word.size());
        n += word.size();
        column += word.size();
    };
    put("The very start");
    const double spacing = static_cast<double>(kTextBytes - 64) / kMarkers;
    int placed = 0;
    while (n < kTextBytes - 32) {
        if (placed < kMarkers && static_cast<double>(n) >= (placed + 0.5) * spacing) {
            put("marker");
            ++placed;
        } else {
            put(kWords[rng() % std::size(kWords)]);
        }
    }
    put("the very end");
    if (placed != kMarkers)
        std::fprintf(stderr, "only %d markers placed\n", placed);
    return n;
}

// Hands a fresh text to the control, as the editor does with a loaded file.
void setFreshText(EditControl& w)
{
    const std::size_t capacity = kTextBytes + std::size_t{64} * 1024;
    HeapBlock block(cHeap(), capacity);
    const std::size_t length = writeText(block.data());
    w.adoptWindowText(std::move(block), length);
    w.viewport()->repaint();
}

// Find Next as the view does it: from the selection, then the match selected and painted.
double timedFindNext(EditControl& w, std::string_view needle, const FindOptions& options, std::int64_t expectNear)
{
    const auto t0 = Clock::now();
    const std::int64_t from = options.backward ? w.selectionStart() : w.selectionEnd();
    const std::optional<FoundRange> found = w.findText(needle, from, options);
    if (found)
        w.select(found->start, found->end);
    w.viewport()->repaint();
    const double ms = msSince(t0);
    if (!found || std::abs(found->start - expectNear) > 100)
        std::fprintf(stderr, "find '%.*s' went wrong\n", static_cast<int>(needle.size()), needle.data());
    return ms;
}

void findAcrossTheGap(EditControl& w)
{
    // An edit in the middle puts the gap there; both needles lie on its far side.
    w.select(w.textLength() / 2, w.textLength() / 2);
    w.replaceSelection("x", true);
    for (const bool matchCase : {false, true}) {
        FindOptions options;
        options.matchCase = matchCase;
        std::vector<double> forward, backward;
        for (int run = 0; run < kRuns; ++run) {
            w.select(0, 0);
            forward.push_back(timedFindNext(w, "the very end", options, w.textLength()));
            w.select(-1, 0);
            w.select(w.textLength(), w.textLength());
            FindOptions up = options;
            up.backward = true;
            backward.push_back(timedFindNext(w, "The very start", up, 0));
        }
        std::printf("  Find Next across the gap, %s: forward %6.1f ms, backward %6.1f ms median  (target <= 30)\n",
                    matchCase ? "match case " : "either case", median(forward), median(backward));
    }
}

struct ReplaceCase {
    std::string_view needle;
    std::string_view replacement;
    bool wholeWord;  // and either case
};
constexpr ReplaceCase kCases[] = {
    {"marker", "sign", false}, {"marker", "landmarks", false}, {"MARKER", "marker", true}};

std::int64_t replaceAll(EditControl& w, const ReplaceCase& c)
{
    FindOptions options;
    options.wholeWord = c.wholeWord;
    const std::int64_t count = w.replaceAll(c.needle, c.replacement, options);
    w.viewport()->repaint();
    return count;
}

void undo(EditControl& w)
{
    w.undo();
    w.viewport()->repaint();
}

// Replace All, Undo and Undo again, kRuns times on fresh texts; the control's peak is what it held
// before plus how far the resident size rose above where it was just before.
void timeReplaceAll(EditControl& w, const ReplaceCase& c)
{
    constexpr double kMb = 1 << 20;
    std::vector<double> times, undoTimes, redoTimes;
    double peak = 0;
    double undoPeak = 0;
    std::int64_t count = 0;
    for (int run = 0; run < kRuns; ++run) {
        setFreshText(w);
        resetPeak();
        double held = static_cast<double>(w.memoryBytes()) / kMb - statusMb("VmRSS");
        auto t0 = Clock::now();
        count = replaceAll(w, c);
        times.push_back(msSince(t0));
        peak = std::max(peak, held + statusMb("VmHWM"));
        resetPeak();
        held = static_cast<double>(w.memoryBytes()) / kMb - statusMb("VmRSS");
        t0 = Clock::now();
        undo(w);
        undoTimes.push_back(msSince(t0));
        t0 = Clock::now();
        undo(w);
        redoTimes.push_back(msSince(t0));
        undoPeak = std::max(undoPeak, held + statusMb("VmHWM"));
    }
    std::printf("  Replace All '%.*s' by '%.*s'%s: %lld replaced\n", static_cast<int>(c.needle.size()), c.needle.data(),
                static_cast<int>(c.replacement.size()), c.replacement.data(),
                c.wholeWord ? " (whole word, either case)" : "", static_cast<long long>(count));
    std::printf("    time %7.1f ms median  (target <= 1000); Undo %.1f ms, second Undo %.1f ms\n", median(times),
                median(undoTimes), median(redoTimes));
    std::printf("    control's peak %6.1f MB during Replace All, %.1f MB during the Undos (max of %d runs)\n", peak,
                undoPeak, kRuns);
    std::fflush(stdout);
}

// In a fresh process: the peak resident size above the empty editor, during one Replace All and
// during the two Undos after it.
void freshProcessPeaks(EditControl& w, const ReplaceCase& c, double base)
{
    setFreshText(w);
    const double textMb = static_cast<double>(w.textLength()) / (1 << 20);
    replaceAll(w, c);
    const double peak = statusMb("VmHWM") - base;
    resetPeak();
    undo(w);
    undo(w);
    std::printf(
        "    fresh process: peak %6.1f MB above the empty editor during Replace All (limit %.1f MB = 2 x text + 40), "
        "%.1f MB during the Undos\n",
        peak, 2 * textMb + 40, statusMb("VmHWM") - base);
    std::fflush(stdout);
}

// Hex bytes as Find Next searches a BINARY document's storage: needle stands only at the very end
// of the bytes, found forward from the start, then only at the very start, found backward from the
// end.
void timeFindBytes(std::vector<std::uint8_t>& bytes, const char* needleHex, const char* what)
{
    const std::string needle = *parseHexBytes(needleHex);
    const std::span<const std::uint8_t> wanted(reinterpret_cast<const std::uint8_t*>(needle.data()), needle.size());
    // Every other place of the needle is spoiled, so each search runs the whole way.
    auto spoil = [&] {
        for (std::optional<std::int64_t> at = findBytes(bytes, wanted, 0, true); at;
             at = findBytes(bytes, wanted, *at, true))
            bytes[static_cast<std::size_t>(*at) + needle.size() - 1] ^= 0xFF;
    };
    const auto size = static_cast<std::int64_t>(bytes.size());
    const auto n = static_cast<std::int64_t>(needle.size());
    std::vector<double> forward, backward;
    for (int run = 0; run < kRuns; ++run) {
        spoil();
        std::memcpy(bytes.data() + size - n, needle.data(), needle.size());
        auto t0 = Clock::now();
        const std::optional<std::int64_t> last = findBytes(bytes, wanted, 0, true);
        forward.push_back(msSince(t0));
        spoil();
        std::memcpy(bytes.data(), needle.data(), needle.size());
        t0 = Clock::now();
        const std::optional<std::int64_t> first = findBytes(bytes, wanted, size, false);
        backward.push_back(msSince(t0));
        if (last != size - n || first != 0)
            std::fprintf(stderr, "hex bytes search went wrong\n");
    }
    std::printf("  Hex bytes '%s' in 100 MB of %s: forward to the end %6.1f ms, backward to the start %6.1f ms median  "
                "(target <= 100)\n",
                needleHex, what, median(forward), median(backward));
    std::fflush(stdout);
}

void findBytesFigures()
{
    std::vector<std::uint8_t> bytes(kTextBytes);
    std::mt19937_64 rng(9);
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        const std::uint64_t r = rng();
        std::memcpy(bytes.data() + i, &r, 8);
    }
    timeFindBytes(bytes, "00 0A 0D 09", "random bytes");
    // A run of zeros, as padding in binaries: a scan for the needle's first byte would stop at every
    // byte.
    std::fill(bytes.begin(), bytes.end(), 0);
    timeFindBytes(bytes, "00 00 00 01", "zeros");
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    EditControl w;
    w.resize(1000, 700);
    w.show();
    QApplication::processEvents();
    w.viewport()->repaint();
    const double base = statusMb("VmRSS");  // the process before the control holds a text
    if (argc == 3 && std::string(argv[1]) == "--fresh") {
        freshProcessPeaks(w, kCases[std::atoi(argv[2]) % std::size(kCases)], base);
        return 0;
    }
    findBytesFigures();
    if (argc == 2 && std::string(argv[1]) == "--bytes")
        return 0;

    setFreshText(w);
    std::printf("100 MB text in lines of 78 columns, %d matches to replace; control holds %.1f MB (%.1f MB resident)\n",
                kMarkers, static_cast<double>(w.memoryBytes()) / (1 << 20), statusMb("VmRSS") - base);
    findAcrossTheGap(w);
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        timeReplaceAll(w, kCases[i]);
        const std::string self = QCoreApplication::applicationFilePath().toStdString();
        std::system(("'" + self + "' --fresh " + std::to_string(i) + " 2>/dev/null").c_str());
    }
    return 0;
}
