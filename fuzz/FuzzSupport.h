#pragma once
// What every fuzz target shares: the entry point libFuzzer calls and its definition, a check that aborts with the
// failed condition (libFuzzer then keeps the input), and a reader that draws numbers and bytes from
// the input, giving zeros once it is used up.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace quillory::fuzz {

[[noreturn]] inline void fail(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

#define FUZZ_CHECK(condition)                                                                                          \
    ((condition) ? static_cast<void>(0) : ::quillory::fuzz::fail(#condition, __FILE__, __LINE__))

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }
    std::size_t remaining() const { return m_size - m_pos; }

    std::uint8_t byte() { return empty() ? 0 : m_data[m_pos++]; }
    bool flag() { return (byte() & 1) != 0; }
    std::uint32_t u16() { return byte() | static_cast<std::uint32_t>(byte()) << 8; }
    std::uint32_t u32() { return u16() | u16() << 16; }
    // A number in [0, bound] (bound >= 0), from as few bytes as the bound needs.
    std::int64_t upTo(std::int64_t bound)
    {
        if (bound <= 0)
            return 0;
        const std::uint64_t raw = bound < 256 ? byte() : bound < 65536 ? u16() : u32();
        return static_cast<std::int64_t>(raw % (static_cast<std::uint64_t>(bound) + 1));
    }
    // Up to n of the next bytes.
    std::string_view bytes(std::size_t n)
    {
        n = std::min(n, remaining());
        const std::string_view out(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return out;
    }
    // A length byte, then that many bytes.
    std::string_view piece() { return bytes(byte()); }
    std::string_view rest() { return bytes(remaining()); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// A file held in memory, for code that reads files by path: opened through /proc/self/fd.
class MemoryFile {
public:
    MemoryFile() : m_fd(::memfd_create("quillory-fuzz", 0)), m_path("/proc/self/fd/" + std::to_string(m_fd))
    {
        FUZZ_CHECK(m_fd >= 0);
    }
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the content and returns the path.
    const std::string& write(std::string_view content)
    {
        FUZZ_CHECK(::ftruncate(m_fd, 0) == 0);
        FUZZ_CHECK(::pwrite(m_fd, content.data(), content.size(), 0) == static_cast<ssize_t>(content.size()));
        return m_path;
    }

private:
    int m_fd;
    std::string m_path;
};

// Defines the target inside namespace quillory::fuzz: the body reads the input as `name`.
// NOLINTBEGIN(bugprone-macro-parentheses): the argument names a parameter, it is no expression
#define QUILLORY_FUZZ_TARGET(name)                                                                                     \
    void fuzzOneInput(FuzzInput& name);                                                                                \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)                                  \
    {                                                                                                                  \
        FuzzInput whole(data, size);                                                                                   \
        fuzzOneInput(whole);                                                                                           \
        return 0;                                                                                                      \
    }                                                                                                                  \
    void fuzzOneInput(FuzzInput& name)
// NOLINTEND(bugprone-macro-parentheses)

inline const std::uint8_t* bytesOf(std::string_view s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

}  // namespace quillory::fuzz
