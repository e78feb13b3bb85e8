// Times one Standard wipe pass (zero bytes over the whole file, then its sync) on a file of 1000 MB
// against dd writing the same zeros over the same file in the same run:
//   dd if=/dev/zero of=FILE bs=1M count=1000 conv=notrunc,fdatasync
// The two alternate, three times each; the best of each is compared.
//
// usage: bench_wiper [folder for the test file, default /tmp] [size in MB, default 1000]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "wiper/WipeFile.h"

using namespace quillory;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Fills the file with non-zero bytes and puts them on the disk, so every run replaces real blocks.
bool createFile(const std::string& path, std::int64_t bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const std::vector<char> piece(1 << 20, 'x');
    bool ok = true;
    for (std::int64_t written = 0; ok && written < bytes; written += static_cast<std::int64_t>(piece.size()))
        ok = ::write(fd, piece.data(), piece.size()) == static_cast<ssize_t>(piece.size());
    ok = ok && ::fdatasync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const long megabytes = argc > 2 ? std::atol(argv[2]) : 1000;
    const std::int64_t bytes = static_cast<std::int64_t>(megabytes) << 20;
    const std::string path = folder + "/bench_wiper.tmp";
    if (!createFile(path, bytes)) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        return 1;
    }
    const std::string dd = "dd if=/dev/zero of='" + path + "' bs=1M count=" + std::to_string(megabytes) +
                           " conv=notrunc,fdatasync status=none";

    double bestWipe = 1e300;
    double bestDd = 1e300;
    bool ok = true;
    for (int round = 0; round < 3 && ok; ++round) {
        auto start = Clock::now();
        ok = overwriteFile(path, bytes, 0, 1) == PassOutcome::Done;
        const double wipe = secondsSince(start);
        start = Clock::now();
        ok = ok && std::system(dd.c_str()) == 0;
        const double copy = secondsSince(start);
        std::printf("round %d: wipe pass %.3f s, dd %.3f s\n", round + 1, wipe, copy);
        bestWipe = std::min(bestWipe, wipe);
        bestDd = std::min(bestDd, copy);
    }
    ::unlink(path.c_str());
    if (!ok) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    const double mb = static_cast<double>(megabytes);
    std::printf("Standard pass + fdatasync, %ld MB:  %.3f s  %7.0f MB/s\n", megabytes, bestWipe, mb / bestWipe);
    std::printf("dd bs=1M conv=notrunc,fdatasync:     %.3f s  %7.0f MB/s\n", bestDd, mb / bestDd);
    std::printf("wipe pass / dd:                      %.2f\n", bestWipe / bestDd);
    return 0;
}
