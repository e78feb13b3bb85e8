// The owned file descriptor: closed exactly once, by whoever owns it last, and a close that
// fails says so.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

#include "base/FileDescriptor.h"

namespace quillory {
namespace {

bool isOpenDescriptor(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

struct Pipe {
    Pipe() { EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0); }
    int fds[2] = {-1, -1};
};

TEST(FileDescriptor, OnlyTheLastOwnerClosesIt)
{
    Pipe pipe;
    const int readEnd = pipe.fds[0];
    const int writeEnd = pipe.fds[1];
    {
        FileDescriptor first(readEnd);
        FileDescriptor second(std::move(first));
        EXPECT_FALSE(first.isOpen());  // NOLINT(bugprone-use-after-move): what a move leaves is the point
        FileDescriptor third(writeEnd);
        third = std::move(second);  // the write end is closed, the read end changes hands
        EXPECT_FALSE(isOpenDescriptor(writeEnd));
        {
            const FileDescriptor gone(std::move(first));  // an empty object closes nothing
        }
        EXPECT_TRUE(isOpenDescriptor(readEnd));
        EXPECT_EQ(third.get(), readEnd);
    }
    EXPECT_FALSE(isOpenDescriptor(readEnd));
}

TEST(FileDescriptor, ReleasedDescriptorStaysOpen)
{
    Pipe pipe;
    {
        FileDescriptor file(pipe.fds[0]);
        EXPECT_EQ(file.release(), pipe.fds[0]);
        EXPECT_FALSE(file.isOpen());
    }
    EXPECT_TRUE(isOpenDescriptor(pipe.fds[0]));
    ::close(pipe.fds[0]);
    ::close(pipe.fds[1]);
}

TEST(FileDescriptor, CloseReportsTheErrorOfAFailedClose)
{
    Pipe pipe;
    ::close(pipe.fds[1]);
    FileDescriptor file(pipe.fds[0]);
    EXPECT_EQ(file.close(), 0);
    EXPECT_FALSE(isOpenDescriptor(pipe.fds[0]));
    EXPECT_EQ(file.close(), EBADF);  // closed once only: a second close finds nothing
    EXPECT_EQ(FileDescriptor(-1).close(), EBADF);

    // A descriptor closed behind the owner's back: the kernel's answer is passed on.
    Pipe other;
    ::close(other.fds[1]);
    FileDescriptor stale(other.fds[0]);
    ::close(other.fds[0]);
    EXPECT_EQ(stale.close(), EBADF);
}

}  // namespace
}  // namespace quillory
