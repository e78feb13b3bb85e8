#include "document/ByteHeap.h"

#include <cstdlib>

namespace quillory {

namespace {

class CHeap final : public IByteHeap {
public:
    void* allocZeroed(std::size_t size) override { return std::calloc(size, 1); }
    void* allocPlain(std::size_t size) override { return std::malloc(size); }
    void* grow(void* block, std::size_t size) override { return std::realloc(block, size); }
    void release(void* block) override { std::free(block); }
};

}  // namespace

IByteHeap& cHeap()
{
    static CHeap heap;
    return heap;
}

}  // namespace quillory
