#include "base/ByteHeap.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>

namespace quillory {

namespace {

class CHeap final : public IByteHeap {
public:
    void* allocZeroed(std::size_t size) override { return adviseHugePages(std::calloc(size, 1), size); }
    void* allocPlain(std::size_t size) override { return adviseHugePages(std::malloc(size), size); }
    void* grow(void* block, std::size_t size) override { return adviseHugePages(std::realloc(block, size), size); }
    void release(void* block) override { std::free(block); }
};

}  // namespace

void* adviseHugePages(void* block, std::size_t size)
{
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (block == nullptr || size < 2 * kHugePage)
        return block;
    // Only the whole huge pages inside the block; the advice is a hint and may be ignored.
    const auto start = (reinterpret_cast<std::uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + size) & ~(kHugePage - 1);
    if (end > start)
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    return block;
}

IByteHeap& cHeap()
{
    static CHeap heap;
    return heap;
}

}  // namespace quillory
