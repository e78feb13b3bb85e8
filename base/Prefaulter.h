#pragma once
// Makes the pages of a freshly allocated block resident on a thread of its own, ahead of a writer
// that fills the block from its start. Fresh memory costs most at its first touch (the kernel may
// have to reclaim cache or assemble huge pages first); done here, that cost overlaps with the
// writer's own work instead of adding to it. Making a page resident never changes its bytes, so
// the writer need not wait for anything.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

namespace quillory {

class Prefaulter {
public:
    Prefaulter() = default;
    ~Prefaulter() { stop(); }
    Prefaulter(const Prefaulter&) = delete;
    Prefaulter& operator=(const Prefaulter&) = delete;

    // Starts on bytes [block, block + size), stopping whatever ran before. Small blocks are left
    // to the writer.
    void start(std::uint8_t* block, std::size_t size);
    // The writer has filled the block up to `offset`: what lies before it needs no help.
    void writerAt(std::size_t offset) { m_writerAt.store(offset, std::memory_order_relaxed); }
    // Ends the thread after the step it is in; the block may then be moved or freed.
    void stop();

private:
    void run(std::uint8_t* block, std::size_t size);

    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<std::size_t> m_writerAt{0};
};

}  // namespace quillory
