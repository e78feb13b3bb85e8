#include "splitjoin/FileCopier.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace quillory {

namespace {

CopyOutcome fault(CopyFault kind, int error)
{
    CopyOutcome outcome;
    outcome.fault = kind;
    outcome.error = error;
    return outcome;
}

// Errors that say the kernel cannot copy between these two files, not that a file failed.
bool kernelCopyUnsupported(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF ||
           error == EPERM || error == ETXTBSY;
}

// Errors that can only come from the output.
bool isWriteError(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

}  // namespace

FileCopier::FileCopier(std::size_t bufferBytes, bool kernelCopy, std::function<void(std::uint64_t)> onCopied)
    : m_bufferBytes(std::max<std::size_t>(bufferBytes, 1)), m_kernelCopy(kernelCopy), m_onCopied(std::move(onCopied))
{}

bool FileCopier::allocate()
{
    if (!m_buffer)
        m_buffer.reset(new (std::nothrow) std::uint8_t[m_bufferBytes]);
    return m_buffer != nullptr;
}

std::int64_t FileCopier::moveThroughBuffer(int in, off_t& inPos, int out, off_t& outPos, std::uint64_t n,
                                           CopyOutcome& outcome)
{
    if (!allocate()) {
        outcome = fault(CopyFault::Read, ENOMEM);
        return -1;
    }
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_bufferBytes));
    ssize_t got;
    do
        got = ::pread(in, m_buffer.get(), want, inPos);
    while (got < 0 && errno == EINTR);
    if (got < 0) {
        outcome = fault(CopyFault::Read, errno);
        return -1;
    }
    for (ssize_t put = 0; put < got;) {
        const ssize_t wrote = ::pwrite(out, m_buffer.get() + put, static_cast<std::size_t>(got - put), outPos + put);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            outcome = fault(CopyFault::Write, wrote < 0 ? errno : ENOSPC);
            return -1;
        }
        put += wrote;
    }
    inPos += got;
    outPos += got;
    return got;
}

std::int64_t FileCopier::moveData(int in, off_t& inPos, int out, off_t& outPos, std::uint64_t n, CopyOutcome& outcome)
{
    while (m_kernelCopy) {
        const ssize_t moved = ::copy_file_range(in, &inPos, out, &outPos, static_cast<std::size_t>(n), 0);
        if (moved >= 0)
            return moved;
        if (errno == EINTR)
            continue;
        if (isWriteError(errno)) {
            outcome = fault(CopyFault::Write, errno);
            return -1;
        }
        if (kernelCopyUnsupported(errno))
            m_kernelCopy = false;
        // Any other error is met again by the plain path, which knows which file it came from.
        break;
    }
    return moveThroughBuffer(in, inPos, out, outPos, n, outcome);
}

CopyOutcome FileCopier::copy(int in, int out, std::uint64_t length)
{
    off_t inPos = ::lseek(in, 0, SEEK_CUR);
    if (inPos < 0)
        return fault(CopyFault::Read, errno);
    off_t outPos = ::lseek(out, 0, SEEK_CUR);
    if (outPos < 0)
        return fault(CopyFault::Write, errno);

    CopyOutcome outcome;
    std::uint64_t done = 0;
    bool endsInHole = false;  // the output still has to be given the length of a final hole
    while (done < length) {
        const std::uint64_t want = std::min<std::uint64_t>(length - done, m_bufferBytes);
        // Where the next data of the source lies; a file system without holes has data everywhere.
        off_t data = ::lseek(in, inPos, SEEK_DATA);
        if (data < 0 && errno == ENXIO) {
            struct stat info {};
            if (::fstat(in, &info) != 0)
                return fault(CopyFault::Read, errno);
            data = std::max<off_t>(info.st_size, inPos);  // a hole up to the end, or the end
        } else if (data < 0) {
            data = inPos;
        }
        std::int64_t moved = 0;
        if (data > inPos) {
            moved = static_cast<std::int64_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(data - inPos), want));
            inPos += moved;
            outPos += moved;
            endsInHole = true;
        } else {
            const off_t hole = ::lseek(in, inPos, SEEK_HOLE);
            const std::uint64_t n =
                hole > inPos ? std::min<std::uint64_t>(want, static_cast<std::uint64_t>(hole - inPos)) : want;
            moved = moveData(in, inPos, out, outPos, n, outcome);
            if (moved < 0)
                break;
            endsInHole = false;
        }
        if (moved == 0) {
            if (length != kToEnd)
                outcome.fault = CopyFault::SourceEnded;
            break;
        }
        done += static_cast<std::uint64_t>(moved);
        if (m_onCopied)
            m_onCopied(static_cast<std::uint64_t>(moved));
    }
    if (endsInHole) {
        struct stat info {};
        if ((::fstat(out, &info) != 0 || (info.st_size < outPos && ::ftruncate(out, outPos) != 0)) &&
            outcome.fault == CopyFault::None)
            outcome = fault(CopyFault::Write, errno);
    }
    ::lseek(in, inPos, SEEK_SET);
    ::lseek(out, outPos, SEEK_SET);
    outcome.copied = done;
    return outcome;
}

}  // namespace quillory
