#include "support/FailingHeap.h"

namespace quillory::test {

bool FailingHeap::mayAllocate()
{
    if (m_remaining < 0)
        return true;
    if (m_remaining > 0) {
        --m_remaining;
        return true;
    }
    ++m_failures;
    return false;
}

void* FailingHeap::allocZeroed(std::size_t size)
{
    return mayAllocate() ? cHeap().allocZeroed(size) : nullptr;
}

void* FailingHeap::allocPlain(std::size_t size)
{
    return mayAllocate() ? cHeap().allocPlain(size) : nullptr;
}

void* FailingHeap::grow(void* block, std::size_t size)
{
    return mayAllocate() ? cHeap().grow(block, size) : nullptr;
}

}  // namespace quillory::test
