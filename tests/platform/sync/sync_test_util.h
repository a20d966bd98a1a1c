#pragma once
// Helpers for the cross-process tests: a private temporary folder, a forked child with a
// bounded life, and a pipe to pass one-byte signals between the two.

#include "tests/support/env/temp_dir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace synctest {

using ts::support::TempDir;

// One byte at a time, each read bounded by a time-out.
class Pipe
{
public:
    Pipe()
    {
        if (pipe(m_fds) != 0)
            m_fds[0] = m_fds[1] = -1;
    }
    ~Pipe()
    {
        for (int fd : m_fds)
            if (fd >= 0)
                close(fd);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    bool ok() const { return m_fds[0] >= 0; }
    bool send(char c) { return ::write(m_fds[1], &c, 1) == 1; }
    // The byte read, or -1 on time-out or when the writing side is gone.
    int receive(std::chrono::milliseconds timeout)
    {
        pollfd p{m_fds[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(timeout.count())) != 1)
            return -1;
        char c = 0;
        return ::read(m_fds[0], &c, 1) == 1 ? static_cast<unsigned char>(c) : -1;
    }

private:
    int m_fds[2];
};

// A forked child that runs `body` and exits with its result. It kills itself after
// kChildLifetime should the parent never reap it; the destructor kills and reaps it too.
class ChildProcess
{
public:
    static constexpr unsigned kChildLifetime = 30; // seconds

    explicit ChildProcess(const std::function<int()>& body)
    {
        m_pid = fork();
        if (m_pid == 0) {
            alarm(kChildLifetime);
            _exit(body());
        }
    }
    ~ChildProcess()
    {
        if (m_pid > 0 && !m_reaped) {
            killHard();
            waitExit(std::chrono::seconds(10));
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    // Never with a pid <= 0: kill(-1, ...) would reach every process of the user.
    void killHard()
    {
        if (m_pid > 0 && !m_reaped)
            kill(m_pid, SIGKILL);
    }

    // The exit code; -1 when it did not end in time, -2 when it ended by a signal.
    int waitExit(std::chrono::milliseconds timeout)
    {
        if (m_pid <= 0 || m_reaped)
            return -1;
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            int status = 0;
            const pid_t r = waitpid(m_pid, &status, WNOHANG);
            if (r == m_pid) {
                m_reaped = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
            }
            if (r < 0 || std::chrono::steady_clock::now() > end)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
};

} // namespace synctest
