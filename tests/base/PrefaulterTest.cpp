// The prefaulter: a fresh block made resident on a thread of its own, its bytes untouched.
#include <gtest/gtest.h>

#include <chrono>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "base/ByteHeap.h"
#include "base/Prefaulter.h"

namespace quillory {
namespace {

constexpr std::size_t kMb = std::size_t{1} << 20;

// How many of the pages of [block, block + size) are resident.
std::size_t residentPages(const std::uint8_t* block, std::size_t size)
{
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(block) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + size + page - 1) & ~(page - 1);
    std::vector<unsigned char> resident((end - begin) / page);
    void* firstPage = const_cast<std::uint8_t*>(block) - (reinterpret_cast<std::uintptr_t>(block) - begin);
    if (::mincore(firstPage, end - begin, resident.data()) != 0)
        return 0;
    std::size_t count = 0;
    for (const unsigned char flags : resident)
        count += flags & 1;
    return count;
}

TEST(Prefaulter, MakesAFreshBlockResidentWithoutAWriterAndKeepsItsBytes)
{
#ifndef MADV_POPULATE_WRITE
    GTEST_SKIP() << "this system cannot make memory resident on request";
#else
    const std::size_t size = 64 * kMb;
    auto* block = static_cast<std::uint8_t*>(cHeap().allocPlain(size));
    ASSERT_NE(block, nullptr);
    adviseSmallPages(block, size);
    block[0] = 'Q';
    block[size - 1] = 'Z';
    const std::size_t before = residentPages(block, size);
    const std::size_t total = (size + static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) - 1) /
                              static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    ASSERT_LT(before, total / 2) << "the block was resident before anything touched it";
    {
        Prefaulter prefaulter;
        prefaulter.start(block, size);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (residentPages(block, size) < total && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }                                                  // stopped and joined here
    EXPECT_GE(residentPages(block, size), total - 1);  // the unaligned first page may be the heap's
    EXPECT_EQ(block[0], 'Q');
    EXPECT_EQ(block[size - 1], 'Z');
    cHeap().release(block);
#endif
}

}  // namespace
}  // namespace quillory
