#pragma once
// A heap that fails on demand, to test that a failed allocation changes nothing.

#include "base/ByteHeap.h"

namespace quillory::test {

class FailingHeap final : public IByteHeap {
public:
    // Every allocation and growth from now on fails (after `successes` more have succeeded).
    void failAfter(int successes) { m_remaining = successes; }
    void succeedAlways() { m_remaining = -1; }
    int failures() const { return m_failures; }

    void* allocZeroed(std::size_t size) override;
    void* allocPlain(std::size_t size) override;
    void* grow(void* block, std::size_t size) override;
    void release(void* block) override { cHeap().release(block); }

private:
    bool mayAllocate();
    int m_remaining = -1;  // -1: never fail
    int m_failures = 0;
};

}  // namespace quillory::test
