#include "typestone/server/data_port.h"

#include "typestone/server/server_trace.h"

#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"
#include "platform/net/wsa_error.h"

#include <algorithm>
#include <chrono>

namespace typestone {
namespace {

// How long one look at the listening socket lasts: a connection another job accepted for
// this one is picked up within it.
constexpr int kSliceMs = 50;
// At most this many queued connections are taken in one look, so strangers connecting
// without pause cannot keep a wait from ending.
constexpr int kMaxTakenAtOnce = 16;

} // namespace

struct DataPort::Listener
{
    platform::net::Socket socket;
    uint16_t port = 0;
};

DataPort::Booking::Booking(DataPort& owner, std::shared_ptr<Listener> listener, std::string peerAddress)
    : m_owner(owner), m_listener(std::move(listener)), m_peerAddress(std::move(peerAddress))
{
}

DataPort::Booking::~Booking()
{
    m_owner.withdraw(this);
}

uint16_t DataPort::Booking::port() const
{
    return m_listener->port;
}

std::unique_ptr<DataPort::Booking> DataPort::book(uint16_t port, const std::string& peerAddress,
                                                  platform::net::SocketError* error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<Listener> listener;
    if (port != 0) {
        for (Booking* b : m_bookings) {
            if (b->m_listener->port == port) {
                listener = b->m_listener;
                break;
            }
        }
    }
    if (!listener)
        listener = takeKeptLocked(port);
    if (!listener) {
        // SO_REUSEADDR: the data connection of an earlier job may still hold the port. The
        // longest queue the system grants: every job waiting at once shares this one socket,
        // and a host whose connection finds the queue full waits a second or more for nothing.
        platform::net::SocketResult listening = platform::net::listenTcp(
            platform::net::kAnyAddress, port, platform::net::maxListenBacklog(), true);
        if (!listening.ok()) {
            if (error)
                *error = listening.error;
            return nullptr;
        }
        listener = std::make_shared<Listener>();
        listener->socket = std::move(listening.socket);
        listener->port = listening.local.port;
        TRZ_Trace(kTrzDataPort, "\n%s-ListenOK(port=%d)", listening.local.address.c_str(),
                  static_cast<int>(listener->port));
    }
    std::unique_ptr<Booking> booking(new Booking(*this, std::move(listener), peerAddress));
    m_bookings.push_back(booking.get());
    return booking;
}

size_t DataPort::Waiting() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<size_t>(
        std::count_if(m_bookings.begin(), m_bookings.end(), [](const Booking* b) { return !b->m_served; }));
}

void DataPort::closeIdle()
{
    std::shared_ptr<Listener> closing;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        closing = std::move(m_kept);
    }
}

void DataPort::withdraw(Booking* booking)
{
    std::shared_ptr<Listener> dropped;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bookings.erase(std::remove(m_bookings.begin(), m_bookings.end(), booking), m_bookings.end());
    const bool inUse = std::any_of(m_bookings.begin(), m_bookings.end(),
                                   [&](const Booking* b) { return b->m_listener == booking->m_listener; });
    if (!inUse && booking->m_keepForNext) {
        dropped = std::move(m_kept); // one kept socket at most: the newest
        m_kept = booking->m_listener;
    }
}

std::shared_ptr<DataPort::Listener> DataPort::takeKeptLocked(uint16_t port)
{
    if (!m_kept || (port != 0 && m_kept->port != port)) {
        m_kept.reset();
        return nullptr;
    }
    std::shared_ptr<Listener> listener = std::move(m_kept);
    // Whatever is queued came after its job stopped waiting (or from a stranger); handing it
    // to this booking would pair a wrong connection with the job.
    // More than a look takes, or a failing socket: a fresh one instead.
    for (int i = 0; i < kMaxTakenAtOnce; ++i) {
        platform::net::AcceptResult stale = platform::net::acceptWithin(listener->socket, 0);
        if (stale.status == platform::net::IoStatus::Failed)
            return nullptr;
        if (!stale.ok())
            return listener;
        TRZ_Trace(kTrzDataPort, "\nDoTCPAccept: connection from %s closed, no job waits for it",
                  stale.peer.toString().c_str());
    }
    return nullptr;
}

void DataPort::deliverLocked(const std::shared_ptr<Listener>& listener, platform::net::AcceptResult accepted)
{
    // Newest first: the most recent reply to that address is the one its host answers now.
    for (auto it = m_bookings.rbegin(); it != m_bookings.rend(); ++it) {
        Booking* b = *it;
        if (b->m_listener == listener && !b->m_served && b->m_peerAddress == accepted.peer.address) {
            b->m_delivered = std::move(accepted);
            b->m_served = true;
            return;
        }
    }
    TRZ_Trace(kTrzDataPort, "\nDoTCPAccept: connection from %s closed, no job waits for that address",
              accepted.peer.toString().c_str());
    // The accepted socket closes as it goes out of scope.
}

platform::net::AcceptResult DataPort::Booking::wait(int timeoutMs, const std::atomic<bool>* cancel)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        // Every waiting job watches the shared socket; whichever sees a connection first
        // takes all that are queued, under the lock, and hands each to its booking. So a
        // connection is always either queued or delivered, and a last look with a time-out
        // of 0 finds it.
        platform::net::IoStatus ready = platform::net::IoStatus::TimedOut;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left > 0)
            ready = platform::net::waitReadable(
                m_listener->socket, static_cast<int>(std::min<long long>(left, kSliceMs)), cancel);
        platform::net::AcceptResult result;
        result.status = platform::net::IoStatus::TimedOut;
        {
            std::lock_guard<std::mutex> lock(m_owner.m_mutex);
            for (int i = 0; i < kMaxTakenAtOnce; ++i) {
                platform::net::AcceptResult accepted = platform::net::acceptWithin(m_listener->socket, 0);
                if (accepted.status == platform::net::IoStatus::Failed) {
                    result = std::move(accepted);
                    break;
                }
                if (!accepted.ok())
                    break;
                m_owner.deliverLocked(m_listener, std::move(accepted));
            }
            if (m_delivered.socket.isValid())
                return std::move(m_delivered);
            if (m_served) {
                result.status = platform::net::IoStatus::Failed; // handed out by an earlier wait
                result.error.text = "accept: connection already taken";
                return result;
            }
        }
        if (result.status == platform::net::IoStatus::Failed)
            return result;
        if (ready == platform::net::IoStatus::Failed) {
            result.status = platform::net::IoStatus::Failed;
            result.error.code = platform::net::lastSocketError();
            result.error.text = "accept: the listening socket failed";
            return result;
        }
        if (cancel && cancel->load()) {
            result.status = platform::net::IoStatus::Canceled;
            return result;
        }
        if (Clock::now() >= deadline) {
            result.status = platform::net::IoStatus::TimedOut;
            return result;
        }
    }
}

} // namespace typestone
