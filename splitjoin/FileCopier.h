#pragma once
// Copies bytes between open files in fixed memory: in the kernel where it can (copy_file_range),
// otherwise through one buffer. Holes of a sparse source are not read: the output gets a hole of
// the same length, so a large sparse file costs neither time nor disk. The bytes the output ends
// up with are the same either way.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <sys/types.h>

namespace quillory {

enum class CopyFault {
    None,
    Read,         // the source could not be read
    Write,        // the output could not be written (a full disk, say)
    SourceEnded,  // the source ended before the bytes asked for
};

struct CopyOutcome {
    CopyFault fault = CopyFault::None;
    int error = 0;             // errno of a Read or Write fault
    std::uint64_t copied = 0;  // bytes the output received, holes included
};

// The buffer of the plain path, and the most bytes one step moves.
inline constexpr std::size_t kCopyBufferBytes = std::size_t{1} << 20;

class FileCopier {
public:
    static constexpr std::uint64_t kToEnd = UINT64_MAX;

    // onCopied is told after every step how many bytes it moved. kernelCopy false keeps to the
    // buffer (tests of the plain path).
    explicit FileCopier(std::size_t bufferBytes = kCopyBufferBytes, bool kernelCopy = true,
                        std::function<void(std::uint64_t)> onCopied = {});

    // Takes the buffer; false when memory is short.
    bool allocate();

    // Copies from in's position to out's: length bytes (a source that ends sooner is a
    // SourceEnded fault), or everything up to in's end for kToEnd. Both positions advance by what
    // was copied; a fault leaves the bytes before it in the output.
    CopyOutcome copy(int in, int out, std::uint64_t length);

private:
    // Moves up to n bytes of data between the offsets and advances them: the count moved, 0 at
    // the source's end, -1 on a fault (recorded in outcome).
    std::int64_t moveData(int in, off_t& inPos, int out, off_t& outPos, std::uint64_t n, CopyOutcome& outcome);
    std::int64_t moveThroughBuffer(int in, off_t& inPos, int out, off_t& outPos, std::uint64_t n, CopyOutcome& outcome);

    std::size_t m_bufferBytes;  // buffer size and the largest step
    bool m_kernelCopy;          // copy_file_range until it proves unusable
    std::function<void(std::uint64_t)> m_onCopied;
    std::unique_ptr<std::uint8_t[]> m_buffer;  // the plain path's buffer
};

}  // namespace quillory
