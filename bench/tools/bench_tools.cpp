// Times the tool cores on a large document: statistics over 100 MB of TEXT (whole and in 64 KB
// pieces), Strip HTML over 100 MB of markup (the buffer path: copy, one pass, replace), the goto
// jump arithmetic, and reading a 100 MB text file for Insert File. Prints milliseconds, MB/s and
// peak memory.
//
// usage: bench_tools [size in MB] [folder for the test file]

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/BenchSupport.h"
#include "tools/FileStatistics.h"
#include "tools/GotoLogic.h"
#include "tools/HtmlStripper.h"
#include "tools/InsertFile.h"
#include "tools/StripHtmlCommand.h"

using namespace quillory;
using Clock = std::chrono::steady_clock;

namespace {

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The best of a few runs: the figure least disturbed by the rest of the machine.
template <typename Work>
double bestOf(int runs, Work work)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, millisecondsSince(start));
    }
    return best;
}

void report(const char* what, double milliseconds, std::size_t bytes)
{
    std::printf("%-52s %9.1f ms  %8.0f MB/s\n", what, milliseconds,
                static_cast<double>(bytes) / (1024.0 * 1024.0) / (milliseconds / 1000.0));
}

std::string generated(std::size_t size, const std::vector<std::string>& pieces, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::string text;
    text.reserve(size + 256);
    while (text.size() < size)
        text += pieces[pick(random)];
    text.resize(size);
    return text;
}

// An edit control reduced to its text, as the buffer path sees it: one copy out, one replacement.
class TextOnlyControl final : public IStripHtmlControl {
public:
    explicit TextOnlyControl(std::string text) : m_text(std::move(text)) {}
    std::int64_t textLength() const override { return static_cast<std::int64_t>(m_text.size()); }
    std::optional<TextMatch> findNoCase(std::string_view, std::int64_t) const override { return std::nullopt; }
    void setSelection(std::int64_t, std::int64_t) override {}
    void clearSelection() override {}
    void copyText(std::uint8_t* out) const override { std::memcpy(out, m_text.data(), m_text.size()); }
    void setText(std::span<const std::uint8_t> bytes) override
    {
        m_text.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    void setModified() override {}
    void hideSelection(bool) override {}
    void emptyUndoBuffer() override {}
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

class NoBoxes final : public IMessageBoxes {
public:
    MessageResult show(const MessageBoxRequest& request) override
    {
        std::fprintf(stderr, "message box: %s\n", request.text.c_str());
        return MessageResult::Ok;
    }
};

void benchStatistics(std::size_t size)
{
    const std::string text = generated(size, {"word ", "Quillory ", "caf\xE9 ", "x", "\r\n", "\t", "  ", "42,"}, 1);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    TextCounts counts;
    const double whole = bestOf(5, [&] { counts = countText(bytes); });
    report("statistics, one span", whole, size);
    const double pieces = bestOf(5, [&] {
        const MessageBoxRequest box =
            fileStatisticsReport(true, static_cast<std::int64_t>(size), 0x7FFFFFFF, [&](const ByteChunkVisitor& visit) {
                for (std::size_t at = 0; at < bytes.size(); at += 65536)
                    visit(bytes.subspan(at, std::min<std::size_t>(65536, bytes.size() - at)));
            });
        if (box.text.empty())
            std::abort();
    });
    report("statistics, 64 KB pieces, with the report", pieces, size);
    std::printf("  (%lld characters, %lld words)\n", static_cast<long long>(counts.characters),
                static_cast<long long>(counts.words));
}

void benchStripHtml(std::size_t size)
{
    const std::string markup =
        generated(size,
                  {"<p>", "Some text ", "and more words. ", "</p>\r\n", "<a href=\"index.htm\">", "link", "</a>", "<B>",
                   "</b>", "<br>", "<!-- comment -->", "<script type=\"text/javascript\">if (a > b) go();</script>",
                   "<SCRIPT>var s = \"<b>\";</SCRIPT >", "<td class=x>", "</td>"},
                  2);
    std::string work;
    std::size_t kept = 0;
    const double pass = bestOf(3, [&] {
        work = markup;
        kept = stripHtmlTagsInPlace({reinterpret_cast<std::uint8_t*>(work.data()), work.size()});
    });
    report("strip HTML, one pass in place (plus one copy)", pass, size);
    std::printf("  (%zu of %zu bytes kept)\n", kept, size);

    NoBoxes boxes;
    double command = 1e300;
    for (int run = 0; run < 3; ++run) {
        TextOnlyControl control(markup);
        const auto start = Clock::now();
        onStripHtmlTags(control, boxes, true);
        command = std::min(command, millisecondsSince(start));
        if (control.text().size() != kept)
            std::abort();
    }
    report("strip HTML command, buffer path incl. control copies", command, size);
}

void benchGoto(std::size_t size)
{
    GotoFields fields;
    onByPercentClicked(fields, true);
    onPercentChanged(fields, "99");
    std::int64_t landed = 0;
    const auto start = Clock::now();
    constexpr int kJumps = 1000000;
    for (int i = 0; i < kJumps; ++i)
        landed += *computeGotoJump(fields, static_cast<std::int64_t>(size) - (i & 1)).start;
    const double perJumpNs = millisecondsSince(start) * 1e6 / kJumps;
    std::printf("%-52s %9.1f ns  (lands on %lld)\n", "goto 99 %, jump arithmetic", perJumpNs,
                static_cast<long long>(*computeGotoJump(fields, static_cast<std::int64_t>(size)).start));
    if (landed == 0)
        std::abort();
}

void benchInsertFile(std::size_t size, const std::string& folder)
{
    const std::string path = folder + "/bench_tools_insert_" + std::to_string(::getpid()) + ".txt";
    {
        const std::string text = generated(size, {"line of text\r\n", "caf\xE9 ", "\t"}, 3);
        FILE* out = std::fopen(path.c_str(), "wb");
        if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size()) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            std::exit(1);
        }
        std::fclose(out);
    }
    const double read = bestOf(3, [&] {
        const InsertFileContent content = readFileForInsert(path);
        if (content.failure || content.length != size)
            std::abort();
    });
    report("insert file, read + TEXT check (page cache)", read, size);
    std::remove(path.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    const std::string folder = argc > 2 ? argv[2] : "/tmp";
    const std::size_t size = megabytes * 1024 * 1024;
    std::printf("bench_tools: %zu MB documents\n", megabytes);
    benchStatistics(size);
    benchStripHtml(size);
    benchGoto(size);
    benchInsertFile(size, folder);
    std::printf("peak memory %.0f MB\n", bench::peakMegabytes());
    return 0;
}
