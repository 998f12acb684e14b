#pragma once

// Faults that only a plain user meets (file modes, folders he may not write) tested on every
// machine: root ignores file modes, so there the test body runs as nobody in a child process.

#include <cstdio>
#include <functional>

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

inline constexpr uid_t kNobody = 65534;

// The user the body runs as: nobody when this process is root, else this process's user.
inline uid_t PlainUser()
{
    return ::geteuid() == 0 ? kNobody : ::geteuid();
}

// Runs `body` in a child process as PlainUser(); true when it returned true. The body tells what
// went wrong on standard error.
inline bool RunAsPlainUser(const std::function<bool()>& body)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(126);
        const bool passed = body();
        std::fflush(nullptr);
        ::_exit(passed ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
