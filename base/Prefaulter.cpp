#include "base/Prefaulter.h"

#include <algorithm>
#include <sys/mman.h>

namespace quillory {

namespace {

constexpr std::size_t kStep = std::size_t{2} << 20;       // populated at a time: one huge page
constexpr std::size_t kSmallest = std::size_t{16} << 20;  // blocks below this are left alone
constexpr std::uintptr_t kPageMask = 4096 - 1;

}  // namespace

void Prefaulter::start(std::uint8_t* block, std::size_t size)
{
    stop();
#ifdef MADV_POPULATE_WRITE
    if (block == nullptr || size < kSmallest)
        return;
    m_stop = false;
    m_writerAt = 0;
    m_thread = std::thread([this, block, size] { run(block, size); });
#else
    (void)block;
    (void)size;
#endif
}

void Prefaulter::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void Prefaulter::run(std::uint8_t* block, std::size_t size)
{
#ifdef MADV_POPULATE_WRITE
    const auto begin = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t end = (begin + size) & ~kPageMask;
    std::uintptr_t at = (begin + kPageMask) & ~kPageMask;
    while (at < end && !m_stop.load(std::memory_order_relaxed)) {
        // Never behind the writer: its pages are resident already.
        const std::uintptr_t writer = begin + m_writerAt.load(std::memory_order_relaxed);
        if (at < writer)
            at = (writer + kPageMask) & ~kPageMask;
        const std::uintptr_t stepEnd = std::min(end, at + kStep);
        if (at >= stepEnd)
            break;
        // A kernel without the advice, or a range it refuses, ends the help; the writer then
        // touches the pages itself, as it would anyway.
        if (::madvise(block + (at - begin), stepEnd - at, MADV_POPULATE_WRITE) != 0)
            break;
        at = stepEnd;
    }
#else
    (void)block;
    (void)size;
#endif
}

}  // namespace quillory
