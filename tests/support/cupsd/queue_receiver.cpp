#include "tests/support/cupsd/queue_receiver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace ts::support {

std::unique_ptr<QueueReceiver> QueueReceiver::start(const std::string& filePath, std::string* error)
{
    const int out = ::open(filePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) {
        if (error)
            *error = "cannot create " + filePath + ": " + std::strerror(errno);
        return nullptr;
    }
    ::close(out);

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int pipeFds[2] = {-1, -1};
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        if (error)
            *error = std::string("cannot listen on 127.0.0.1: ") + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }
    auto receiver = std::unique_ptr<QueueReceiver>(
        new QueueReceiver(fd, ntohs(address.sin_port), pipeFds[0], pipeFds[1], filePath));
    receiver->m_thread = std::thread([r = receiver.get()] { r->run(); });
    return receiver;
}

QueueReceiver::QueueReceiver(int listenFd, int port, int stopRead, int stopWrite, std::string filePath)
    : m_listenFd(listenFd), m_port(port), m_stopRead(stopRead), m_stopWrite(stopWrite),
      m_filePath(std::move(filePath))
{
}

QueueReceiver::~QueueReceiver()
{
    const char stop = 'x';
    [[maybe_unused]] const ssize_t n = ::write(m_stopWrite, &stop, 1);
    if (m_thread.joinable())
        m_thread.join();
    ::close(m_listenFd);
    ::close(m_stopRead);
    ::close(m_stopWrite);
}

void QueueReceiver::run()
{
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_stopRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int connection = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        const int out = ::open(m_filePath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (out >= 0) {
            serve(connection, out);
            ::close(out);
        }
        ::close(connection);
    }
}

// Reads one connection to its end (or until the receiver stops).
void QueueReceiver::serve(int connection, int out)
{
    char buffer[64 * 1024];
    for (;;) {
        pollfd fds[2] = {{connection, POLLIN, 0}, {m_stopRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        const ssize_t n = ::read(connection, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return;
            done += w;
        }
        std::lock_guard lock(m_mutex);
        m_bytes += static_cast<size_t>(n);
        m_arrived.notify_all();
    }
}

size_t QueueReceiver::bytesReceived() const
{
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

std::string QueueReceiver::received() const
{
    std::lock_guard lock(m_mutex);
    std::ifstream in(m_filePath, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

bool QueueReceiver::waitForBytes(size_t count, int timeoutMs, std::string* data) const
{
    bool arrived = false;
    {
        std::unique_lock lock(m_mutex);
        arrived =
            m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_bytes >= count; });
    }
    if (data)
        *data = received();
    return arrived;
}

} // namespace ts::support
