#include "platform/sysinfo/spawned_process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace platform::sysinfo {
namespace {

int openPidfd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

} // namespace

std::unique_ptr<SpawnedProcess> SpawnedProcess::start(const std::string& program,
                                                      const std::vector<std::string>& args,
                                                      const std::string& workDir, std::string* error)
{
    auto fail = [&](const std::string& text) -> std::unique_ptr<SpawnedProcess> {
        if (error)
            *error = text;
        return nullptr;
    };
    if (program.empty())
        return fail("no program to start");
    std::vector<std::string> all;
    all.push_back(program);
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The child starts with no signal blocked, whatever this thread blocks.
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int rc = program.find('/') == std::string::npos
                       ? posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.data(), environ)
                       : posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0)
        return fail("cannot start " + program + ": " + std::strerror(rc));
    return std::unique_ptr<SpawnedProcess>(new SpawnedProcess(pid, openPidfd(pid)));
}

SpawnedProcess::~SpawnedProcess()
{
    if (!m_finished && !reap()) {
        const pid_t pid = m_pid;
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    }
    if (m_pidfd >= 0)
        close(m_pidfd);
}

bool SpawnedProcess::reap()
{
    if (m_finished)
        return true;
    int status = 0;
    pid_t r;
    while ((r = waitpid(m_pid, &status, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (r == m_pid) {
        m_finished = true;
        m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }
    if (r < 0) { // reaped elsewhere: it has ended, its code is unknown
        m_finished = true;
        m_exitCode = -1;
        return true;
    }
    return false;
}

bool SpawnedProcess::waitFor(int timeoutMs)
{
    if (reap())
        return true;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        if (left <= 0)
            return reap();
        if (m_pidfd >= 0) {
            pollfd p{m_pidfd, POLLIN, 0};
            poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(left, 10)));
        }
        if (reap())
            return true;
    }
}

void SpawnedProcess::kill()
{
    if (reap())
        return;
    ::kill(m_pid, SIGKILL);
    waitFor(5000);
}

} // namespace platform::sysinfo
