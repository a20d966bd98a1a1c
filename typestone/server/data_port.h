#pragma once
// The auxiliary port on which hosts open their data connections, shared by every job that
// waits for one.
//
// A job books its data connection under the job hand-shake lock, before its reply names the
// port, and may go on waiting for it after the lock is given up, so a host that never
// connects holds up nobody else. Jobs waiting at the same time share one listening socket
// (the configured port can be listened on only once); it closes when its last booking ends,
// unless that booking keeps it for the job next in line (keepForNext), so jobs that follow
// one another do not each make and bind a socket while everybody waits for the lock;
// closeIdle() closes a kept socket nobody took. Connections still queued on a kept socket
// belong to no job: the next booking closes them first.
// A connection is taken only from a booked host's address: it goes to the booking for that
// address whose reply went out last, since a host connects right after its reply. A
// connection from an address nobody waits for is closed at once and the waits go on.

#include "platform/net/socket_results.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace typestone {

class DataPort
{
public:
    class Booking;

    DataPort() = default;
    DataPort(const DataPort&) = delete;
    DataPort& operator=(const DataPort&) = delete;

    // Books the next data connection from `peerAddress` (dotted IPv4) on `port`, listening
    // there first unless a booking already does (0: a listening socket of its own on a port
    // the system picks). Null when the port cannot be listened on; `error` says why.
    std::unique_ptr<Booking> book(uint16_t port, const std::string& peerAddress,
                                  platform::net::SocketError* error);

    // Bookings not served yet.
    size_t Waiting() const;

    // Closes the listening socket kept from the last booking, unless a booking took it again.
    void closeIdle();

private:
    struct Listener;
    friend class Booking;

    // Hands a connection accepted on `listener` to its booking, or closes it; under m_mutex.
    void deliverLocked(const std::shared_ptr<Listener>& listener, platform::net::AcceptResult accepted);
    void withdraw(Booking* booking);
    // The kept socket for a booking on `port`, its queue emptied; null when there is none.
    std::shared_ptr<Listener> takeKeptLocked(uint16_t port);

    mutable std::mutex m_mutex;
    std::vector<Booking*> m_bookings; // in booking order
    std::shared_ptr<Listener> m_kept; // no booking uses it
};

class DataPort::Booking
{
public:
    ~Booking(); // withdraws the booking; a connection that came too late is closed
    Booking(const Booking&) = delete;
    Booking& operator=(const Booking&) = delete;

    // The port the listening socket is really bound to (the one to name in the reply).
    uint16_t port() const;
    // When this booking ends, its listening socket stays open for the next booking.
    void keepForNext() { m_keepForNext = true; }
    // Waits up to `timeoutMs` for the booked connection: Ok with it, TimedOut, Canceled once
    // `*cancel` is true, Failed when the listening socket fails. A time-out of 0 takes a
    // connection that is already there.
    platform::net::AcceptResult wait(int timeoutMs, const std::atomic<bool>* cancel);

private:
    friend class DataPort;
    Booking(DataPort& owner, std::shared_ptr<Listener> listener, std::string peerAddress);

    DataPort& m_owner;
    std::shared_ptr<Listener> m_listener;
    std::string m_peerAddress;
    // Filled by whichever waiting job accepted the connection; under the owner's lock.
    platform::net::AcceptResult m_delivered;
    bool m_served = false;
    bool m_keepForNext = false;
};

} // namespace typestone
