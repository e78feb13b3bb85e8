// What it costs to make fresh memory resident, by the way the block is allocated and advised:
// huge pages asked for (MADV_HUGEPAGE), refused (MADV_NOHUGEPAGE) or nothing said, straight from
// mmap or through the C heap as the program's byte heap does it, and populated from a second
// thread (MADV_POPULATE_WRITE) while the first one writes, and huge pages asked for only when the
// free lists hold enough whole 2 MB blocks. Each block is written whole (memset)
// or one byte per 4 KB page, each run in a fresh process, on fresh memory (the page cache
// dropped) and with the page cache full (see MemoryState.h). Prints the median of the runs, the
// fastest and slowest, and how much of the block the system backed with huge pages.
//
// usage: bench_pages [--state fresh|filled|both] [--sizes 200,1024] [--runs 5] [--fill-gb N] [--all]
//                    [--variants 2,5,11]
// --all prints every run's time after the medians, in the order the runs were made; --variants
// runs only the rows named (counted from 1).

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/ByteHeap.h"
#include "bench/MemoryState.h"

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14
#endif

using namespace quillory;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kPage = 4096;
constexpr unsigned kChildTimeLimit = 60;  // seconds

enum class Source { Mapping, Heap };
// HugeWhenFree: huge pages only when the free lists hold enough whole 2 MB blocks for the block,
// so that no fault has to reclaim or compact memory for one; else ordinary pages.
enum class Advice { None, Huge, Small, HugeWhenFree };

struct Variant {
    const char* name;
    Source source;
    Advice advice;
    bool populateBeside;  // a second thread populates the block while the first writes it
};

constexpr Variant kVariants[] = {
    {"mmap, nothing said", Source::Mapping, Advice::None, false},
    {"mmap + MADV_HUGEPAGE", Source::Mapping, Advice::Huge, false},
    {"mmap + MADV_NOHUGEPAGE", Source::Mapping, Advice::Small, false},
    {"malloc, nothing said", Source::Heap, Advice::None, false},
    {"malloc + adviseHugePages (today)", Source::Heap, Advice::Huge, false},
    {"malloc + adviseSmallPages", Source::Heap, Advice::Small, false},
    {"mmap + populate thread", Source::Mapping, Advice::None, true},
    {"mmap + HUGE + populate thread", Source::Mapping, Advice::Huge, true},
    {"mmap + NOHUGE + populate thread", Source::Mapping, Advice::Small, true},
    {"malloc + huge if 2 MB blocks free", Source::Heap, Advice::HugeWhenFree, false},
    {"malloc + huge + populate thread", Source::Heap, Advice::Huge, true},
};
constexpr int kVariantCount = sizeof kVariants / sizeof kVariants[0];

// The bytes the free lists hold in whole blocks of 2 MB or more (orders 9 and 10 of /proc/buddyinfo).
std::uint64_t freeHugeBlockBytes()
{
    std::ifstream buddyinfo("/proc/buddyinfo");
    std::uint64_t bytes = 0;
    for (std::string line; std::getline(buddyinfo, line);) {
        std::istringstream fields(line.substr(line.find("zone") + 4));
        std::string zone;
        fields >> zone;
        std::uint64_t count = 0;
        for (int order = 0; fields >> count; ++order) {
            if (order >= 9)
                bytes += count * (std::uint64_t{kPage} << order);
        }
    }
    return bytes;
}

void* allocateFromHeap(const Variant& variant, std::size_t size)
{
    if (variant.advice == Advice::Huge)
        return cHeap().allocPlain(size);  // malloc + adviseHugePages, as every large block
    void* block = std::malloc(size);
    if (variant.advice == Advice::HugeWhenFree) {
        constexpr std::uint64_t kReserve = 256 * bench::kMegabyte;  // above the kernel's watermarks
        const bool enough = freeHugeBlockBytes() >= size + kReserve;
        return enough ? adviseHugePages(block, size) : adviseSmallPages(block, size);
    }
    return variant.advice == Advice::Small ? adviseSmallPages(block, size) : block;
}

void* allocate(const Variant& variant, std::size_t size)
{
    if (variant.source == Source::Heap)
        return allocateFromHeap(variant, size);
    void* block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    if (variant.advice != Advice::None)
        ::madvise(block, size, variant.advice == Advice::Huge ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
    return block;
}

void touch(char* block, std::size_t size, bool everyByte)
{
    if (everyByte) {
        std::memset(block, 'x', size);
        return;
    }
    for (std::size_t at = 0; at < size; at += kPage)
        *static_cast<volatile char*>(block + at) = 'x';
}

// Makes every page of [block, block + size) resident and written, as a write would; madvise wants
// whole pages, and a heap block starts inside its first one.
void populate(char* block, std::size_t size)
{
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t start = address & ~(kPage - 1);
    const std::uintptr_t end = (address + size + kPage - 1) & ~(kPage - 1);
    ::madvise(block - (address - start), end - start, MADV_POPULATE_WRITE);
}

std::uint64_t anonHugeKb()
{
    std::ifstream rollup("/proc/self/smaps_rollup");
    std::string name;
    std::string rest;
    while (rollup >> name) {
        if (name == "AnonHugePages:") {
            std::uint64_t kb = 0;
            rollup >> kb;
            return kb;
        }
        std::getline(rollup, rest);
    }
    return 0;
}

// The child: allocates, advises and writes one block; prints "ms hugeMB".
int runChild(int variantIndex, std::size_t sizeMb, bool everyByte)
{
    ::alarm(kChildTimeLimit);
    const Variant& variant = kVariants[variantIndex];
    const std::size_t size = sizeMb * bench::kMegabyte;
    const auto start = Clock::now();
    auto* block = static_cast<char*>(allocate(variant, size));
    if (block == nullptr)
        return 1;
    std::thread populator;
    if (variant.populateBeside)
        populator = std::thread([block, size] { populate(block, size); });
    touch(block, size, everyByte);
    if (populator.joinable())
        populator.join();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("%.2f %.0f\n", ms, static_cast<double>(anonHugeKb()) / 1024.0);
    return 0;
}

const std::string kThpFolder = "/sys/kernel/mm/transparent_hugepage/";

std::string firstLine(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

struct Options {
    std::vector<std::string> states{"fresh", "filled"};
    std::vector<std::size_t> sizesMb{200, 1024};
    int runs = 5;
    std::uint64_t fillGb = 0;
    bool printAll = false;          // every run's time, not only the medians
    std::vector<std::size_t> only;  // the variants to run (their rows, from 1); empty: all
};

bool isChosen(const Options& options, int variant)
{
    return options.only.empty() || std::find(options.only.begin(), options.only.end(),
                                             static_cast<std::size_t>(variant + 1)) != options.only.end();
}

std::vector<std::size_t> parseSizes(const std::string& list)
{
    std::vector<std::size_t> sizes;
    for (const char* p = list.c_str(); *p != '\0';) {
        char* end = nullptr;
        sizes.push_back(std::strtoul(p, &end, 10));
        p = (*end == ',') ? end + 1 : end;
        if (end == p && *end != '\0')
            break;
    }
    return sizes;
}

Options parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const std::string value = i + 1 < argc ? argv[i + 1] : "";
        if (name == "--all")
            options.printAll = true;
        else if (name == "--state")
            options.states = value == "both" ? options.states : std::vector<std::string>{value};
        else if (name == "--sizes")
            options.sizesMb = parseSizes(value);
        else if (name == "--runs")
            options.runs = std::max(1, std::atoi(value.c_str()));
        else if (name == "--variants")
            options.only = parseSizes(value);
        else if (name == "--fill-gb")
            options.fillGb = std::strtoull(value.c_str(), nullptr, 10);
        i += name == "--all" ? 0 : 1;
    }
    return options;
}

// The runs of one table cell: time and huge-page megabytes.
struct Cell {
    std::vector<double> ms;
    std::vector<double> hugeMb;
    int failures = 0;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string cellText(const Cell& cell)
{
    if (cell.ms.empty())
        return cell.failures > 0 ? "failed" : "-";
    char text[96];
    const auto [low, high] = std::minmax_element(cell.ms.begin(), cell.ms.end());
    std::snprintf(text, sizeof text, "%7.0f [%5.0f-%5.0f] %4.0fH", median(cell.ms), *low, *high, median(cell.hugeMb));
    return text;
}

using Table = std::map<std::pair<std::size_t, bool>, std::vector<Cell>>;  // (size, every byte) -> cells

void printEveryRun(const Table& table)
{
    for (const auto& [key, cells] : table) {
        for (int v = 0; v < kVariantCount; ++v) {
            std::printf("%5zu MB %-15s %-34s:", key.first, key.second ? "memset" : "1 byte per 4 KB",
                        kVariants[v].name);
            for (const double ms : cells[static_cast<std::size_t>(v)].ms)
                std::printf(" %.0f", ms);
            std::printf("\n");
        }
    }
}

void printTable(const std::string& state, const Options& options, const Table& table)
{
    std::printf("\n%s memory: median ms of %d runs [fastest-slowest], H = MB backed by huge pages\n", state.c_str(),
                options.runs);
    std::printf("%-34s", "allocation");
    for (const auto& [key, cells] : table)
        std::printf(" | %5zu MB %-18s", key.first, key.second ? "memset" : "1 byte per 4 KB");
    std::printf("\n");
    for (int v = 0; v < kVariantCount; ++v) {
        std::printf("%-34s", kVariants[v].name);
        for (const auto& [key, cells] : table)
            std::printf(" | %-26s", cellText(cells[static_cast<std::size_t>(v)]).c_str());
        std::printf("\n");
    }
    if (options.printAll)
        printEveryRun(table);
    std::fflush(stdout);
}

void measureOnce(Cell& cell, int variant, std::size_t sizeMb, bool everyByte)
{
    const bench::ChildRun run =
        bench::runSelf({"--child", std::to_string(variant), std::to_string(sizeMb), everyByte ? "memset" : "pages"});
    double ms = 0;
    double hugeMb = 0;
    if (run.exitedCleanly() && std::sscanf(run.output.c_str(), "%lf %lf", &ms, &hugeMb) == 2) {
        cell.ms.push_back(ms);
        cell.hugeMb.push_back(hugeMb);
    } else {
        ++cell.failures;
        std::printf("  %s, %zu MB: %s\n", kVariants[variant].name, sizeMb, run.ending().c_str());
    }
}

// Prepares the state, then runs every variant in turn, `runs` rounds, so that noise from the
// other work on the machine spreads over all of them alike.
void measureState(const std::string& state, const Options& options)
{
    std::vector<std::string> fillFiles;
    if (state == "filled") {
        fillFiles = bench::makeFillFiles(bench::defaultFillBytes(options.fillGb));
        std::printf("\nfilling the page cache from %zu files of 1 GB in %s\n", fillFiles.size(), bench::kFillFolder);
        bench::topUpPageCache(fillFiles);
    } else if (!bench::dropCaches()) {
        std::printf("\ncould not drop the page cache (no write access to /proc/sys/vm/drop_caches)\n");
    }
    std::printf("%s state: %s\n", state.c_str(), bench::memorySummary().c_str());
    Table table;
    for (std::size_t sizeMb : options.sizesMb) {
        for (bool everyByte : {true, false}) {
            std::vector<Cell>& cells = table[{sizeMb, everyByte}];
            cells.resize(kVariantCount);
            for (int run = 0; run < options.runs; ++run) {
                for (int v = 0; v < kVariantCount; ++v) {
                    if (!isChosen(options, v))
                        continue;
                    bench::topUpPageCache(fillFiles);
                    measureOnce(cells[static_cast<std::size_t>(v)], v, sizeMb, everyByte);
                }
            }
        }
    }
    std::printf("%s state after the runs: %s\n", state.c_str(), bench::memorySummary().c_str());
    printTable(state, options, table);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--child") {
        const int variant = std::atoi(argv[2]);
        if (variant < 0 || variant >= kVariantCount)
            return 2;
        return runChild(variant, std::strtoul(argv[3], nullptr, 10), std::string(argv[4]) == "memset");
    }
    const Options options = parseOptions(argc, argv);
    std::printf("transparent huge pages: enabled %s, defrag %s\n", firstLine(kThpFolder + "enabled").c_str(),
                firstLine(kThpFolder + "defrag").c_str());
    for (const std::string& state : options.states)
        measureState(state, options);
    return 0;
}
