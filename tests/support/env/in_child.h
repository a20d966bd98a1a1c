#pragma once
// Runs a test step in a forked child, for what must not touch the test process itself (a
// lowered descriptor limit, another user).

#include <sys/wait.h>
#include <unistd.h>

namespace ts::support {

// Runs `body` in a child process: its exit code (0: every step held), or -1.
template <typename Fn> int inChild(Fn body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace ts::support
