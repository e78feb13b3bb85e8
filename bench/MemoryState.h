#pragma once
// The state of the machine's memory a benchmark runs in, and the child processes it measures in.
//
// Fresh: the page cache dropped, nearly all memory free. Filled: the page cache full, as on a
// desktop that has been in use for a while: files of 1 GB under /var/tmp/quillory-fill (made once
// and kept for the next run) are read until they fill all but a few GB of memory, so that every
// new page must first be reclaimed from the cache. No Qt here: the core benchmarks use it too.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quillory::bench {

inline constexpr std::uint64_t kGigabyte = std::uint64_t{1} << 30;
inline constexpr std::uint64_t kMegabyte = std::uint64_t{1} << 20;
inline constexpr const char* kFillFolder = "/var/tmp/quillory-fill";

// A field of /proc/meminfo, in kB (0 when missing).
inline std::uint64_t meminfoKb(const std::string& field)
{
    std::ifstream meminfo("/proc/meminfo");
    std::string name;
    std::uint64_t value = 0;
    std::string unit;
    while (meminfo >> name >> value) {
        std::getline(meminfo, unit);
        if (name == field + ":")
            return value;
    }
    return 0;
}

// "MemFree 812 MB, Cached 20310 MB, MemAvailable 21002 MB", for the report.
inline std::string memorySummary()
{
    std::ostringstream out;
    out << "MemFree " << meminfoKb("MemFree") / 1024 << " MB, Cached " << meminfoKb("Cached") / 1024
        << " MB, MemAvailable " << meminfoKb("MemAvailable") / 1024 << " MB";
    return out.str();
}

// sync, then drops the whole page cache. False when the system does not let us.
inline bool dropCaches()
{
    ::sync();
    FILE* control = std::fopen("/proc/sys/vm/drop_caches", "w");
    if (control == nullptr)
        return false;
    const bool written = std::fputs("3\n", control) >= 0;
    return std::fclose(control) == 0 && written;
}

// Writes the file's dirty pages and drops its pages from the cache: the next read is cold.
inline void evictFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// Reads the whole file (into the page cache) and forgets the bytes.
inline void readWholeFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return;
    std::vector<char> buffer(4 * kMegabyte);
    while (::read(fd, buffer.data(), buffer.size()) > 0) {
    }
    ::close(fd);
}

// True when every page of the file is in the page cache.
inline bool isFullyCached(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || info.st_size == 0)
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    const auto size = static_cast<std::size_t>(info.st_size);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED)
        return false;
    const std::size_t pageSize = 4096;
    std::vector<unsigned char> resident((size + pageSize - 1) / pageSize);
    bool all = ::mincore(map, size, resident.data()) == 0;
    for (std::size_t i = 0; all && i < resident.size(); ++i)
        all = (resident[i] & 1U) != 0;
    ::munmap(map, size);
    return all;
}

// Writes one fill file of `size` bytes (not sparse: every block is written).
inline bool writeFillFile(const std::string& path, std::uint64_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    std::vector<char> chunk(4 * kMegabyte);
    for (std::size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<char>(i * 131 % 251);
    bool ok = true;
    for (std::uint64_t written = 0; ok && written < size; written += chunk.size())
        ok = ::write(fd, chunk.data(), chunk.size()) == static_cast<ssize_t>(chunk.size());
    return ::close(fd) == 0 && ok;
}

// The fill files for `fillBytes` (rounded to whole GB), made where missing or of another size.
inline std::vector<std::string> makeFillFiles(std::uint64_t fillBytes)
{
    ::mkdir(kFillFolder, 0755);
    std::vector<std::string> files;
    for (std::uint64_t i = 0; i < fillBytes / kGigabyte; ++i) {
        const std::string path = std::string(kFillFolder) + "/fill-" + std::to_string(i);
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || static_cast<std::uint64_t>(info.st_size) != kGigabyte) {
            if (!writeFillFile(path, kGigabyte)) {
                std::perror(path.c_str());
                break;
            }
        }
        files.push_back(path);
    }
    return files;
}

// How much a desktop in use keeps in its page cache: all memory but 4 GB (or `gigabytes` when > 0).
inline std::uint64_t defaultFillBytes(std::uint64_t gigabytes)
{
    if (gigabytes > 0)
        return gigabytes * kGigabyte;
    const std::uint64_t total = meminfoKb("MemTotal") * 1024;
    return total > 5 * kGigabyte ? total - 4 * kGigabyte : kGigabyte;
}

// Reads every fill file that is not wholly in the cache, so the cache is full again after a run
// that took memory from it.
inline void topUpPageCache(const std::vector<std::string>& files)
{
    for (const std::string& path : files) {
        if (!isFullyCached(path))
            readWholeFile(path);
    }
}

// What a child process left: its output, how it ended, and its own resource use.
struct ChildRun {
    std::string output;
    int status = 0;
    rusage usage{};
    bool exitedCleanly() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }
    std::string ending() const
    {
        if (WIFSIGNALED(status))
            return WTERMSIG(status) == SIGALRM ? "killed at its time limit"
                                               : "killed by signal " + std::to_string(WTERMSIG(status));
        return "exit code " + std::to_string(WEXITSTATUS(status));
    }
};

// Runs this program again with `arguments` in a fresh process and collects what it prints.
inline ChildRun runSelf(const std::vector<std::string>& arguments)
{
    int pipeEnds[2];
    ChildRun run;
    if (::pipe(pipeEnds) != 0)
        return run;
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        std::vector<char*> argv;
        std::string self = "/proc/self/exe";
        argv.push_back(self.data());
        std::vector<std::string> copies = arguments;
        for (std::string& argument : copies)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execv(self.c_str(), argv.data());
        _exit(127);
    }
    ::close(pipeEnds[1]);
    char buffer[4096];
    for (ssize_t got = 0; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        run.output.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    ::wait4(pid, &run.status, 0, &run.usage);
    return run;
}

}  // namespace quillory::bench
