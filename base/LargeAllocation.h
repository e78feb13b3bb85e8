#pragma once
// Memory for the control's large arrays. Blocks of megabytes are aligned to 2 MB and offered
// to the kernel as transparent huge pages: filling 100 MB then costs 50 page faults, not 25,600,
// which on some machines is the difference between 30 ms and half a second.

#include <cstddef>
#include <cstdlib>
#include <new>

namespace quillory {

// Bytes for n elements of size bytes each; throws std::bad_alloc like operator new.
void* allocateLarge(std::size_t bytes);
void freeLarge(void* p) noexcept;

template <typename T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t n) { return static_cast<T*>(allocateLarge(n * sizeof(T))); }
    void deallocate(T* p, std::size_t) noexcept { freeLarge(p); }
    template <typename U>
    bool operator==(const LargeAllocator<U>&) const noexcept
    {
        return true;
    }
};

struct LargeDeleter {
    void operator()(void* p) const noexcept { freeLarge(p); }
};

}  // namespace quillory
