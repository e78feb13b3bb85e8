#pragma once
// Work that may take long (reading a large file, writing it, replacing over hundreds of
// megabytes): the work reports how far it got and reads whether the user asked it to stop; the
// service that runs it keeps the window alive meanwhile and, once the work has taken more than half
// a second, shows its progress with a Cancel button. The work runs on a thread of its own and
// touches nothing the window shows: it fills blocks of its own, which the caller takes over once it
// has ended, so a cancelled work leaves no trace.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace quillory {

// How far one piece of long work got, and whether it should stop. Shared by the thread that does
// the work and the window that shows it.
class WorkProgress {
public:
    // The work's size in any unit (bytes, usually); progress is done of total.
    void setTotal(std::int64_t total) { m_total.store(total, std::memory_order_relaxed); }
    // Records that done of total are done; false once the user asked the work to stop, which it
    // then does as soon as it can, leaving what it made for the caller to throw away.
    bool advance(std::int64_t done);
    bool cancelled() const { return m_cancelled.load(std::memory_order_acquire); }
    void cancel() { m_cancelled.store(true, std::memory_order_release); }
    // 0 to 100.
    int percent() const;
    // Tests: every advance pauses this long, as over a slow disk.
    void setPauseForTests(std::chrono::milliseconds pause) { m_pause = pause; }

private:
    std::chrono::milliseconds m_pause{0};
    std::atomic<std::int64_t> m_total{0};
    std::atomic<std::int64_t> m_done{0};
    std::atomic<bool> m_cancelled{false};
};

// Runs long work for the interface.
class ILongWork {
public:
    virtual ~ILongWork() = default;
    // Runs work and returns once it has ended: true when it ran to its end, false when the user
    // cancelled it (the work saw WorkProgress::cancelled and returned). title says what is done
    // ("Opening report.bin"). An exception the work throws is thrown again here. The user cannot
    // edit while the work runs.
    virtual bool run(const std::string& title, const std::function<void(WorkProgress&)>& work) = 0;
};

// Runs work on the caller's thread, shows nothing and never cancels: where no window is (the core's
// tests, the benchmarks, a program without an interface).
ILongWork& workInPlace();

// Work over fewer bytes than this takes a few milliseconds: it runs where it is asked, without a
// thread of its own.
inline constexpr std::int64_t kLongWorkBytes = std::int64_t{16} << 20;

// Runs work over `bytes` bytes through runner, or in place when it is too small to take long.
bool runLongWork(ILongWork& runner, std::int64_t bytes, const std::string& title,
                 const std::function<void(WorkProgress&)>& work);

// Pieces in which long work reads, writes or scans, checking for Cancel between them: small enough
// that a piece takes a few milliseconds even from a slow disk, large enough to cost nothing.
inline constexpr std::size_t kWorkPiece = std::size_t{4} << 20;

}  // namespace quillory
