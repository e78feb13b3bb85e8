#include "support/Unprivileged.h"

#include <sys/wait.h>
#include <unistd.h>

namespace quillory::test {

namespace {
constexpr uid_t kNobody = 65534;
}  // namespace

uid_t unprivilegedUser()
{
    return ::geteuid() == 0 ? kNobody : ::geteuid();
}

gid_t unprivilegedGroup()
{
    return ::geteuid() == 0 ? kNobody : ::getegid();
}

bool runUnprivileged(const std::function<bool()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(unprivilegedGroup()) != 0 || ::setuid(unprivilegedUser()) != 0))
            ::_exit(2);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace quillory::test
