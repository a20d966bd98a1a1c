#pragma once
// A program started with an argument list (never through a shell), that can be waited for
// with a time-out and ended.

#include <memory>
#include <string>
#include <vector>

namespace platform::sysinfo {

class SpawnedProcess
{
public:
    // Starts `program` (looked up in PATH when it has no '/') with `args` (without the program
    // itself) in `workDir` (empty: the current folder), its input from /dev/null. nullptr with
    // *error when it cannot be started, also when the program does not exist.
    static std::unique_ptr<SpawnedProcess> start(const std::string& program,
                                                 const std::vector<std::string>& args,
                                                 const std::string& workDir, std::string* error = nullptr);

    // A process that is still running when its object goes keeps running; it is reaped by a
    // helper thread once it ends, so no zombie is left.
    ~SpawnedProcess();
    SpawnedProcess(const SpawnedProcess&) = delete;
    SpawnedProcess& operator=(const SpawnedProcess&) = delete;

    int pid() const { return m_pid; }
    // Waits at most timeoutMs (0: just looks) for the end; true once it has ended.
    bool waitFor(int timeoutMs);
    bool finished() const { return m_finished; }
    // The exit code once ended: 0 to 255, or -1 when a signal ended it.
    int exitCode() const { return m_exitCode; }
    // Kills the process and reaps it.
    void kill();

private:
    SpawnedProcess(int pid, int pidfd) : m_pid(pid), m_pidfd(pidfd) {}
    bool reap();

    int m_pid;
    int m_pidfd;
    bool m_finished = false;
    int m_exitCode = -1;
};

} // namespace platform::sysinfo
