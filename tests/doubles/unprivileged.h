// Runs part of a test as a user whom permission bits bind. Root ignores them, and CI runs
// as root, so a test of an unwritable folder drops to "nobody" in a child process first;
// run by anyone else, the child simply keeps its user.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace tov::testing {

inline constexpr uid_t kNobody = 65534;
inline constexpr int kCouldNotDropPrivileges = 125;

// In a child process: leaves root for "nobody", or ends the child with
// kCouldNotDropPrivileges. Anyone else keeps their user.
inline void dropRootInChild()
{
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
        ::_exit(kCouldNotDropPrivileges);
    }
}

// Runs `body` in a child process without root's privileges and returns the status it
// returned (kCouldNotDropPrivileges when the user could not be changed, 128 + signal when
// it died). The child leaves with _exit: none of the parent's cleanups run twice.
inline int runUnprivileged(const std::function<int()>& body)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        dropRootInChild();
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace tov::testing
