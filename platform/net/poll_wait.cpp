#include "platform/net/poll_wait.h"

#include "platform/net/wsa_error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>

namespace platform::net::detail {

namespace {
// How often a cancel flag is looked at while waiting.
constexpr int kCancelSliceMs = 50;
} // namespace

Clock::time_point deadlineAfter(int timeoutMs)
{
    return Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
}

IoStatus pollUntil(int fd, short events, Clock::time_point deadline, const std::atomic<bool>* cancel)
{
    if (fd < 0) {
        errno = EBADF;
        return IoStatus::Failed;
    }
    for (;;) {
        if (cancel && cancel->load())
            return IoStatus::Canceled;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        long long slice = std::max<long long>(left, 0);
        if (cancel)
            slice = std::min<long long>(slice, kCancelSliceMs);
        pollfd pfd{fd, events, 0};
        const int rc = ::poll(&pfd, 1, static_cast<int>(std::min<long long>(slice, 1 << 30)));
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            return IoStatus::Failed;
        }
        if (rc > 0) {
            if (pfd.revents & POLLNVAL) {
                errno = EBADF;
                return IoStatus::Failed;
            }
            return IoStatus::Ok;
        }
        if (Clock::now() >= deadline)
            return (cancel && cancel->load()) ? IoStatus::Canceled : IoStatus::TimedOut;
    }
}

SocketError errorFromErrno(const std::string& what, int errnoValue)
{
    SocketError error;
    error.sysError = errnoValue;
    error.code = wsaErrorFromErrno(errnoValue);
    error.text = what + ": " + std::strerror(errnoValue) + " (" + wsaErrorName(error.code) + ' ' +
                 std::to_string(error.code) + ')';
    return error;
}

SocketError errorFromErrno(const std::string& what)
{
    return errorFromErrno(what, errno);
}

SocketError errorWithCode(const std::string& what, int wsaCode)
{
    SocketError error;
    error.code = wsaCode;
    error.text = what + " (" + wsaErrorName(wsaCode) + ' ' + std::to_string(wsaCode) + ')';
    return error;
}

SocketError errorForStatus(IoStatus status, const std::string& what)
{
    switch (status) {
    case IoStatus::TimedOut:
        return errorWithCode(what + ": timed out", wsa::TimedOut);
    case IoStatus::Canceled:
        return errorWithCode(what + ": canceled", wsa::Interrupted);
    case IoStatus::Failed:
        return errorFromErrno(what);
    default:
        return {};
    }
}

} // namespace platform::net::detail
