#include "base/ByteHeap.h"

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>

namespace quillory {

namespace {

class MallocHeap final : public IByteHeap {
public:
    void* allocZeroed(std::size_t size) override { return adviseHugePages(std::calloc(size, 1), size); }
    void* allocPlain(std::size_t size) override { return adviseHugePages(std::malloc(size), size); }
    void* grow(void* block, std::size_t size) override { return adviseHugePages(std::realloc(block, size), size); }
    void release(void* block) override { std::free(block); }
};

}  // namespace

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kPage = 4096;

// Gives advice on every page of the block's allocation, not only on the pages of the block: advice
// on part of a mapping splits it in two, and the C heap can then no longer grow the block by
// remapping it (the kernel refuses a range over two mappings), so every growth would copy the
// whole block. The advice is a hint and may be ignored.
void adviseWholeAllocation(void* block, std::size_t size, int advice)
{
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    const std::size_t allocated = std::max(size, ::malloc_usable_size(block));
    const auto start = address & ~(kPage - 1);
    const auto end = (address + allocated + kPage - 1) & ~(kPage - 1);
    ::madvise(static_cast<char*>(block) - (address - start), end - start, advice);
}

}  // namespace

void* adviseHugePages(void* block, std::size_t size)
{
    if (block != nullptr && size >= 2 * kHugePage)
        adviseWholeAllocation(block, size, MADV_HUGEPAGE);
    return block;
}

void* adviseSmallPages(void* block, std::size_t size)
{
    if (block != nullptr && size >= 2 * kHugePage)
        adviseWholeAllocation(block, size, MADV_NOHUGEPAGE);
    return block;
}

IByteHeap& cHeap()
{
    static MallocHeap heap;
    return heap;
}

}  // namespace quillory
