#pragma once
// Opening files a user picked without ever blocking: a named pipe with no writer, a device or a
// socket would hold an open() on the interface thread, so only regular files are opened, and the
// open itself never waits. Also the "Reason: " line that ends every message about a failed system
// call.

#include <cstdint>
#include <span>
#include <string>
#include <sys/types.h>

namespace quillory {

// The error a refused non-regular file (pipe, device, socket) reports; no errno has this value.
inline constexpr int kNotRegularFile = -1;

// "\nReason: " and the system's text for error (an errno value, or kNotRegularFile).
std::string reasonLine(int error);

// Opens path (links followed) only when it names a regular file: it is looked at first, opened
// with O_NONBLOCK | O_NOCTTY and looked at again through the descriptor. flags may hold O_CREAT
// (mode then applies). The descriptor (close-on-exec), or -1 with error set to errno, EISDIR for a
// folder or kNotRegularFile for anything else that is no regular file.
int openRegularFile(const std::string& path, int flags, int& error, mode_t mode = 0666);

// Writes all of bytes at offset, going on after short writes and interruptions. False with errno
// set (ENOSPC for a write that took nothing).
bool writeAllAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset);

}  // namespace quillory
