#pragma once
// One owned block of bytes together with the heap it goes back to. Large blocks travel between
// layers in this type (the loaded file from the document to the edit control, for instance), so
// whoever holds a block last gives it back to the heap that made it.

#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <utility>

#include "base/ByteHeap.h"

namespace quillory {

class HeapBlock {
public:
    HeapBlock() = default;
    // Takes size bytes from the heap (not zeroed); ok() is false when the heap refused.
    HeapBlock(IByteHeap& heap, std::size_t size)
        : m_heap(&heap), m_bytes(static_cast<std::uint8_t*>(heap.allocPlain(size))), m_size(m_bytes ? size : 0)
    {}
    // Takes ownership of a block of size bytes that heap made.
    static HeapBlock adopt(IByteHeap& heap, std::uint8_t* bytes, std::size_t size)
    {
        HeapBlock block;
        block.m_heap = &heap;
        block.m_bytes = bytes;
        block.m_size = bytes != nullptr ? size : 0;
        return block;
    }
    // Takes size bytes from the heap or throws std::bad_alloc, for containers that report failure
    // that way.
    static HeapBlock allocateOrThrow(IByteHeap& heap, std::size_t size)
    {
        HeapBlock block(heap, size == 0 ? 1 : size);
        if (!block.ok())
            throw std::bad_alloc();
        return block;
    }
    ~HeapBlock() { reset(); }
    HeapBlock(HeapBlock&& other) noexcept
        : m_heap(other.m_heap), m_bytes(std::exchange(other.m_bytes, nullptr)), m_size(std::exchange(other.m_size, 0))
    {}
    HeapBlock& operator=(HeapBlock&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_heap = other.m_heap;
            m_bytes = std::exchange(other.m_bytes, nullptr);
            m_size = std::exchange(other.m_size, 0);
        }
        return *this;
    }
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;

    bool ok() const { return m_bytes != nullptr; }
    std::uint8_t* data() { return m_bytes; }
    const std::uint8_t* data() const { return m_bytes; }
    std::size_t size() const { return m_size; }
    std::span<const std::uint8_t> first(std::size_t count) const { return {m_bytes, count}; }

    // Gives up ownership without freeing: the caller now owns the bytes.
    [[nodiscard]] std::uint8_t* release()
    {
        m_size = 0;
        return std::exchange(m_bytes, nullptr);
    }

    // Gives the bytes back to the heap now.
    void reset()
    {
        if (m_bytes != nullptr)
            m_heap->release(m_bytes);
        m_bytes = nullptr;
        m_size = 0;
    }

private:
    IByteHeap* m_heap = nullptr;      // where the bytes go back
    std::uint8_t* m_bytes = nullptr;  // nullptr when empty or refused
    std::size_t m_size = 0;           // bytes owned
};

}  // namespace quillory
