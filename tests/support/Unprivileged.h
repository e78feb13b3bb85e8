#pragma once
// Runs part of a test as a user without privileges: root reads and writes every file, so tests of
// permission failures would otherwise prove nothing when the suite runs as root (as CI does).

#include <functional>
#include <sys/types.h>

namespace quillory::test {

// The user and group a test's files should belong to so that runUnprivileged can use them:
// "nobody" under root, the current user otherwise.
uid_t unprivilegedUser();
gid_t unprivilegedGroup();

// Runs body in a child process, as unprivilegedUser() when we are root, and returns whether it
// returned true. The body must not use GoogleTest assertions: only its result counts.
bool runUnprivileged(const std::function<bool()>& body);

}  // namespace quillory::test
