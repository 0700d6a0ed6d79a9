#pragma once

// Permission tests mean nothing to root, who may write anywhere. This runs a piece of a test
// in a child process as the user "nobody" when the tests run as root (as it is in containers),
// and directly otherwise.

#include <functional>

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

inline constexpr uid_t NobodyId = 65534;

inline bool RunningAsRoot() {
    return ::geteuid() == 0;
}

// Runs fn in a child process, so that what it changes about the process (its user, its
// limits) ends with it; its result, false when the child failed.
inline bool RunInChild(const std::function<bool()>& fn) {
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0)
        ::_exit(fn() ? 0 : 1);
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs fn without root's rights and returns its result (false when the child failed).
inline bool RunWithoutRoot(const std::function<bool()>& fn) {
    if (!RunningAsRoot())
        return fn();
    return RunInChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(NobodyId) != 0 || ::setuid(NobodyId) != 0)
            ::_exit(2);
        return fn();
    });
}

// Hands a path to the user RunWithoutRoot runs as (no-op when not root).
inline void GiveToUnprivileged(const char* path) {
    if (RunningAsRoot()) {
        [[maybe_unused]] const int ignored = ::chown(path, NobodyId, NobodyId);
    }
}

} // namespace testsupport
