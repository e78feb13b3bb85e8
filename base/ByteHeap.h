#pragma once
// The heap that byte buffers come from. The C heap in the program; tests swap in a heap that fails
// on demand, to prove that a failed allocation leaves everything as it was.

#include <cstddef>

namespace quillory {

class IByteHeap {
public:
    virtual ~IByteHeap() = default;
    virtual void* allocZeroed(std::size_t size) = 0;       // like calloc; nullptr on failure
    virtual void* allocPlain(std::size_t size) = 0;        // like malloc; nullptr on failure
    virtual void* grow(void* block, std::size_t size) = 0;  // like realloc; nullptr leaves block intact
    virtual void release(void* block) = 0;                 // like free; accepts nullptr
};

// The process-wide C heap. Blocks of several megabytes are backed by huge pages where the system
// allows it: a 100 MB file then costs a few hundred page faults instead of 25,600.
IByteHeap& cHeap();

// Asks the system to back the whole huge pages inside [block, block + size) with huge pages.
// Returns block. For buffers of file size that do not come from cHeap().
void* adviseHugePages(void* block, std::size_t size);

}  // namespace quillory
