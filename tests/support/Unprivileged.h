#pragma once

// Permission faults for tests that may run as root, who ignores file modes: the check runs in a
// child process that gives up root first.

#include <functional>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

// The user RunUnprivileged runs as: nobody under root, the test's own user otherwise.
inline uid_t UnprivilegedUser()
{
    return ::geteuid() == 0 ? 65534 : ::geteuid();
}

// Starts `work` in a child process as RunUnprivileged does, without waiting: the child's id, or
// -1. The child ends with status 1 when it could not give up root, else with `work`'s status.
inline pid_t SpawnUnprivileged(const std::function<int()>& work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(1);
        ::_exit(work() & 0x7F);
    }
    return child;
}

// Runs `check` in a child process as user and group 65534 (nobody) when the test runs as root,
// as the test's own user otherwise, and gives its result; -1 when the child could not be run or
// could not give up root.
inline int RunUnprivileged(const std::function<int()>& check)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(255);
        ::_exit(check() & 0x7F);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}
