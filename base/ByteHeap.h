#pragma once
// The heap that byte buffers come from. The C heap in the program; tests swap in a heap that fails
// on demand, to prove that a failed allocation leaves everything as it was. cHeap() is the one
// allocator of large blocks: the document's storage, the edit control's text and line index.

#include <cstddef>
#include <new>

namespace quillory {

class IByteHeap {
public:
    virtual ~IByteHeap() = default;
    virtual void* allocZeroed(std::size_t size) = 0;        // like calloc; nullptr on failure
    virtual void* allocPlain(std::size_t size) = 0;         // like malloc; nullptr on failure
    virtual void* grow(void* block, std::size_t size) = 0;  // like realloc; nullptr leaves block intact
    virtual void release(void* block) = 0;                  // like free; accepts nullptr
};

// The process-wide C heap. Blocks of several megabytes are backed by huge pages where the system
// allows it: a 100 MB file then costs a few hundred page faults instead of 25,600.
IByteHeap& cHeap();

// Asks the system to back the whole huge pages inside [block, block + size) with huge pages.
// Returns block. For buffers of file size that do not come from cHeap().
void* adviseHugePages(void* block, std::size_t size);
// Asks the system to back a block of cHeap() with ordinary pages only: a block that is made
// resident at once, on a busy machine, gets ordinary pages sooner than huge ones, for which the
// kernel may first have to reclaim and compact memory. Returns block.
void* adviseSmallPages(void* block, std::size_t size);

// A standard allocator over cHeap(), for containers that may grow to the size of a file.
template <typename T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U>&) noexcept
    {}
    T* allocate(std::size_t n)
    {
        void* p = cHeap().allocPlain(n == 0 ? 1 : n * sizeof(T));
        if (p == nullptr)
            throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) noexcept { cHeap().release(p); }
    template <typename U>
    bool operator==(const LargeAllocator<U>&) const noexcept
    {
        return true;
    }
};

}  // namespace quillory
