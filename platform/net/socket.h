#pragma once
// Owner of one socket descriptor: closes it when destroyed; moved, never copied. Not
// synchronised: one thread owns a Socket at a time (the free functions in tcp.h, udp.h and
// socket_io.h keep no state, so different sockets may be used on different threads).

namespace platform::net {

class Socket
{
public:
    Socket() = default;
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;

    bool isValid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    // Gives up ownership: the caller closes the returned descriptor.
    int release();
    // Closes the current descriptor (if any) and takes `fd`.
    void reset(int fd = -1);
    // Closes the descriptor; errno is left as it was, so a failure being reported survives.
    void close() { reset(); }

private:
    int m_fd = -1;
};

// Makes the socket's close abortive (SO_LINGER on, time 0): closing it then drops what is
// unsent and sends a reset, so the peer reads ECONNRESET instead of an orderly end of data.
// For a connection whose work failed, where an orderly close would read as success. False
// (errno set) when the socket refuses the option.
bool setAbortiveClose(const Socket& sock);

} // namespace platform::net
