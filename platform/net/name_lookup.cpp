#include "platform/net/name_lookup.h"

#include "platform/net/poll_wait.h"
#include "platform/net/sockaddr_util.h"
#include "platform/net/wsa_error.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>

namespace platform::net {

namespace {

// Look-ups still running (also those whose caller gave up waiting).
constexpr int kMaxPendingLookups = 8;
std::atomic<int> g_pendingLookups{0};

struct LookupState
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    LookupResult result;
};

// Runs `work` on a helper thread and waits for it at most `timeoutMs`.
LookupResult runBounded(const std::string& what, int timeoutMs, std::function<LookupResult()> work)
{
    if (g_pendingLookups.fetch_add(1) >= kMaxPendingLookups) {
        g_pendingLookups.fetch_sub(1);
        return LookupResult{
            {}, detail::errorWithCode(what + ": too many look-ups waiting for the resolver", wsa::TryAgain)};
    }
    auto state = std::make_shared<LookupState>();
    try {
        std::thread([state, work = std::move(work)] {
            LookupResult r = work();
            {
                std::lock_guard lock(state->mutex);
                state->result = std::move(r);
                state->finished = true;
            }
            state->done.notify_all();
            g_pendingLookups.fetch_sub(1);
        }).detach();
    } catch (const std::system_error&) {
        g_pendingLookups.fetch_sub(1);
        return LookupResult{{}, detail::errorWithCode(what + ": no thread for the look-up", wsa::NoBuffers)};
    }
    std::unique_lock lock(state->mutex);
    if (!state->done.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                              [&] { return state->finished; }))
        return LookupResult{
            {}, detail::errorWithCode(what + ": no answer from the resolver in time", wsa::TryAgain)};
    return state->result;
}

SocketError addrInfoError(const std::string& what, int rc, int errnoValue)
{
    const int code = wsaErrorFromAddrInfo(rc, errnoValue);
    const char* reason = rc == EAI_SYSTEM && errnoValue ? std::strerror(errnoValue) : gai_strerror(rc);
    SocketError error = detail::errorWithCode(what + ": " + reason, code);
    error.sysError = rc == EAI_SYSTEM ? errnoValue : 0;
    return error;
}

} // namespace

LookupResult reverseLookup(const std::string& address, int timeoutMs)
{
    const std::string what = "reverse look-up of " + address;
    sockaddr_in addr{};
    if (!detail::toSockaddr(address, 0, &addr))
        return LookupResult{{}, detail::errorFromErrno(what + ": not an IPv4 address")};
    return runBounded(what, timeoutMs, [addr, what] {
        char host[NI_MAXHOST] = {};
        const int rc = ::getnameinfo(reinterpret_cast<const sockaddr*>(&addr), sizeof addr, host, sizeof host,
                                     nullptr, 0, NI_NAMEREQD);
        const int err = errno;
        if (rc != 0)
            return LookupResult{{}, addrInfoError(what, rc, err)};
        host[sizeof host - 1] = '\0';
        return LookupResult{host, {}};
    });
}

LookupResult resolveIpv4(const std::string& name, int timeoutMs)
{
    if (parseIpv4(name))
        return LookupResult{name, {}};
    const std::string what = "look-up of '" + name + "'";
    // DNS names are at most 253 characters; anything longer is not a host name.
    if (name.empty() || name.size() > 253)
        return LookupResult{{}, detail::errorWithCode(what + ": not a host name", wsa::HostNotFound)};
    return runBounded(what, timeoutMs, [name, what] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* list = nullptr;
        const int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
        const int err = errno;
        if (rc != 0)
            return LookupResult{{}, addrInfoError(what, rc, err)};
        LookupResult found{{}, detail::errorWithCode(what + ": no IPv4 address", wsa::NoData)};
        for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
            if (ai->ai_family == AF_INET && ai->ai_addrlen >= sizeof(sockaddr_in)) {
                found = LookupResult{
                    detail::fromSockaddr(*reinterpret_cast<const sockaddr_in*>(ai->ai_addr)).address, {}};
                break;
            }
        }
        ::freeaddrinfo(list);
        return found;
    });
}

} // namespace platform::net
