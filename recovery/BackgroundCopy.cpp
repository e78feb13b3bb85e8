#include "recovery/BackgroundCopy.h"

#include <cstring>
#include <thread>

namespace quillory {

BackgroundCopy::BackgroundCopy(IByteHeap& heap, std::vector<std::span<const std::uint8_t>> pieces)
    : m_heap(heap), m_pieces(std::move(pieces))
{
    for (const auto& piece : m_pieces)
        m_length += piece.size();
}

std::shared_ptr<BackgroundCopy> BackgroundCopy::start(IByteHeap& heap,
                                                      std::vector<std::span<const std::uint8_t>> pieces)
{
    std::shared_ptr<BackgroundCopy> copy(new BackgroundCopy(heap, std::move(pieces)));
    // The thread holds the copy until it is done, whoever else has let it go.
    std::thread([copy] { copy->run(); }).detach();
    return copy;
}

void BackgroundCopy::run()
{
    HeapBlock block(m_heap, m_length + 1);
    if (block.ok()) {
        // Huge pages would be fewer to touch, but the kernel may stop to make them first: small
        // ones come at a steady pace.
        adviseSmallPages(block.data(), block.size());
        std::size_t at = 0;
        for (const auto& piece : m_pieces) {
            std::memcpy(block.data() + at, piece.data(), piece.size());
            at += piece.size();
        }
    }
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        m_block = std::move(block);
        m_pieces.clear();
        m_copied = true;
    }
    m_copiedChanged.notify_all();
}

void BackgroundCopy::waitCopied()
{
    std::unique_lock<std::mutex> hold(m_mutex);
    m_copiedChanged.wait(hold, [this] { return m_copied; });
}

HeapBlock BackgroundCopy::takeBlock()
{
    waitCopied();
    const std::lock_guard<std::mutex> hold(m_mutex);
    return std::move(m_block);
}

}  // namespace quillory
