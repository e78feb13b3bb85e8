// Loads a 100 MB BINARY and a 100 MB TEXT file through LoadFile, with a control stand-in that copies
// the text, and types 1,000 bytes at random places into the BINARY document. Prints time per MB,
// peak memory, and the baseline of reading the file twice from the page cache. Then types 5 bytes,
// each timed, at position 0 of a freshly adopted BINARY storage and of the control's text buffer
// of 1 GB: with the gap after the bytes (as the loader adopts a block today) and before them (a
// block read at an offset of 64 KB).
//
// usage: bench_load [folder for the test files] [size in MB] [MB for the typing at 0, default 1024]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench/BenchSupport.h"
#include "document/ByteStorage.h"
#include "document/QuilloryDoc.h"
#include "document/ReadOnlyFile.h"
#include "editcore/TextBuffer.h"
#include "support/ControlStandIn.h"

using namespace quillory;
using Clock = std::chrono::steady_clock;

namespace {

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void writeFile(const std::string& path, const std::vector<char>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

std::vector<char> binaryContent(std::size_t size)
{
    std::vector<char> bytes(size);
    std::mt19937_64 random(42);
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t v = random();
        std::memcpy(bytes.data() + i, &v, 8);
    }
    return bytes;
}

std::vector<char> textContent(std::size_t size)
{
    std::vector<char> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = (i % 81 == 80) ? '\n' : static_cast<char>('a' + i % 26);
    return bytes;
}

double readTwiceMs(const std::string& path, std::size_t size)
{
    std::vector<char> buffer(size);
    const auto start = Clock::now();
    for (int pass = 0; pass < 2; ++pass) {
        ReadOnlyFile file;
        file.open(path);
        file.read(buffer.data(), size);
    }
    return millisecondsSince(start);
}

// Runs in a child process so that its peak memory is its own.
void loadAndType(const std::string& path, double sizeMb, bool typeBytes)
{
    bench::PrintedMessageBoxes boxes;
    QuilloryDoc doc(boxes);
    test::ControlStandIn control(doc);
    const auto start = Clock::now();
    doc.loadFile(path);
    const double loadMs = millisecondsSince(start);
    std::printf("  load: %.1f ms (%.2f ms/MB), mode %s, peak memory %.1f MB (limit 2.1 x size + 30 = %.1f MB)\n",
                loadMs, loadMs / sizeMb, doc.mode() == DocumentMode::Text ? "TEXT" : "BINARY", bench::peakMegabytes(),
                2.1 * sizeMb + 30);
    if (!typeBytes)
        return;

    std::mt19937 random(7);
    std::vector<double> times;
    for (int i = 0; i < 1000; ++i) {
        const auto at = static_cast<std::int32_t>(random() % static_cast<unsigned>(doc.storage().length() + 1));
        control.selected = {at, at};
        const auto t = Clock::now();
        doc.insertByte(static_cast<std::uint8_t>('A' + i % 26));
        times.push_back(millisecondsSince(t));
    }
    const double middleStart = static_cast<double>(doc.storage().length()) / 2;
    control.selected = {static_cast<std::int32_t>(middleStart), static_cast<std::int32_t>(middleStart)};
    const auto t = Clock::now();
    doc.insertByte('M');
    const double middleMs = millisecondsSince(t);
    std::sort(times.begin(), times.end());
    std::printf("  1000 inserts at random places: median %.3f ms, 99th %.3f ms, max %.3f ms; one in the middle %.3f ms"
                " (limit 20 ms); peak memory %.1f MB\n",
                times[500], times[990], times.back(), middleMs, bench::peakMegabytes());
}

void printTimes(const char* what, const std::vector<double>& times)
{
    std::printf("  %s:", what);
    for (const double ms : times)
        std::printf(" %.3f", ms);
    std::printf(" ms\n");
}

// A block of offset + size + 1 bytes, every page touched, the bytes at [offset, offset + size).
std::uint8_t* filledBlock(std::size_t size, std::size_t offset, char (*byteAt)(std::size_t))
{
    auto* block = static_cast<std::uint8_t*>(cHeap().allocPlain(offset + size + 1));
    if (block == nullptr) {
        std::fprintf(stderr, "no memory for %zu bytes\n", offset + size + 1);
        std::exit(1);
    }
    std::memset(block, 0, offset);
    for (std::size_t i = 0; i < size; ++i)
        block[offset + i] = static_cast<std::uint8_t>(byteAt(i));
    block[offset + size] = 0;
    return block;
}

// Five single-byte inserts at position 0 of a BINARY storage of `size` bytes adopted as a load
// leaves it (its capacity its length, the gap `offset` bytes before the bytes), each timed.
void typeAtStartOfStorage(std::size_t size, std::int32_t offset)
{
    ByteStorage storage;
    const auto length = static_cast<std::int32_t>(size);
    std::uint8_t* block =
        filledBlock(size, static_cast<std::size_t>(offset), [](std::size_t i) { return static_cast<char>(i * 131); });
    if (offset == 0)
        storage.adoptBlock(block, length, size + 1, length);
    else
        storage.adoptBlock(block, length, size + static_cast<std::size_t>(offset) + 1, length + offset, offset);
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        const auto t = Clock::now();
        storage.insertAt({0, 0}, static_cast<std::uint8_t>('a' + i));
        times.push_back(millisecondsSince(t));
    }
    const std::string what = "storage, gap " + std::to_string(offset) + " bytes before the bytes";
    printTimes(what.c_str(), times);
}

// The same in the control's text buffer (bytes and line index, without layout and paint) holding
// a BINARY document's display copy: no 0, no line break.
void typeAtStartOfText(std::size_t size, std::size_t offset)
{
    TextBuffer text;
    std::uint8_t* block = filledBlock(size, offset, [](std::size_t i) {
        const auto b = static_cast<char>(i * 131);
        return b == 0 || b == '\t' || b == '\n' || b == '\r' ? '\x01' : b;
    });
    if (offset == 0)
        text.adoptText(HeapBlock::adopt(cHeap(), block, size + 1), size);
    else
        text.adoptText(HeapBlock::adopt(cHeap(), block, offset + size + 1), size, offset);
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        const auto t = Clock::now();
        text.replace(0, 0, "x");
        times.push_back(millisecondsSince(t));
    }
    const std::string what = "text buffer, gap " + std::to_string(offset) + " bytes before the text";
    printTimes(what.c_str(), times);
}

template <typename Run>
void runInChild(const Run& run)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        run();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

void runInChild(const std::string& path, double sizeMb, bool typeBytes)
{
    runInChild([&] { loadAndType(path, sizeMb, typeBytes); });
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const std::size_t sizeMb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100;
    const std::size_t size = sizeMb * 1024 * 1024;

    struct Case {
        const char* name;
        std::string path;
        std::vector<char> (*make)(std::size_t);
        bool typeBytes;
    };
    const Case cases[] = {
        {"BINARY", folder + "/quillory-bench.bin", binaryContent, true},
        {"TEXT", folder + "/quillory-bench.txt", textContent, false},
    };
    for (const Case& c : cases) {
        writeFile(c.path, c.make(size));
        readTwiceMs(c.path, size);  // into the page cache
        const double baseline = readTwiceMs(c.path, size);
        std::printf("%s file of %zu MB: reading it twice takes %.1f ms (load limit 3x = %.1f ms)\n", c.name, sizeMb,
                    baseline, 3 * baseline);
        // Three fresh processes: the first touch of new memory costs this virtual machine a lot and
        // varies from run to run.
        for (int run = 0; run < 3; ++run)
            runInChild(c.path, static_cast<double>(sizeMb), c.typeBytes && run == 0);
        std::remove(c.path.c_str());
    }

    const std::size_t typingMb = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 1024;
    const std::size_t typingSize = typingMb * 1024 * 1024;
    std::printf("5 single-byte inserts at 0 of %zu MB, each:\n", typingMb);
    for (const std::int32_t offset : {0, 64 * 1024}) {
        runInChild([&] { typeAtStartOfStorage(typingSize, offset); });
        runInChild([&] { typeAtStartOfText(typingSize, static_cast<std::size_t>(offset)); });
    }
    return 0;
}
