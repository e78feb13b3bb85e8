#include "base/LargeAllocation.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace quillory {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kLargeFrom = std::size_t{4} << 20;  // smaller blocks use the ordinary heap
}  // namespace

void* allocateLarge(std::size_t bytes)
{
    if (bytes < kLargeFrom) {
        void* p = std::malloc(bytes == 0 ? 1 : bytes);
        if (p == nullptr)
            throw std::bad_alloc();
        return p;
    }
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (p == nullptr)
        throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(p, rounded, MADV_HUGEPAGE);
#endif
    return p;
}

void freeLarge(void* p) noexcept { std::free(p); }

}  // namespace quillory
