#pragma once
// One byte buffer taken from an IByteHeap for the length of a command and given back on leaving it.

#include <cstddef>
#include <cstdint>
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
    {
    }
    ~HeapBlock() { reset(); }
    HeapBlock(HeapBlock&& other) noexcept
        : m_heap(other.m_heap), m_bytes(std::exchange(other.m_bytes, nullptr)), m_size(std::exchange(other.m_size, 0))
    {
    }
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

    // Gives the bytes back to the heap now.
    void reset()
    {
        if (m_bytes != nullptr)
            m_heap->release(m_bytes);
        m_bytes = nullptr;
        m_size = 0;
    }

private:
    IByteHeap* m_heap = nullptr;
    std::uint8_t* m_bytes = nullptr;  // nullptr when empty or refused
    std::size_t m_size = 0;           // bytes owned
};

}  // namespace quillory
