#pragma once
// What the UDP server asks of the service: the printers for the host queries, and the
// control actions TypestoneUI requests.

#include "platform/net/endpoint.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace typestone {

class UdpActions
{
public:
    virtual ~UdpActions() = default;

    // Service mode (m_bIsWinNT): only then are the control commands obeyed.
    virtual bool IsServiceMode() const = 0;
    // Whether a control command from this sender on the loopback interface is obeyed: only
    // when it came from a socket of a user who may control the server.
    virtual bool MayControl(const platform::net::Endpoint& from) = 0;

    // Appends "name\0share\0" of the shared printers into buffer while they fit below `size`;
    // returns how many were appended and advances *used.
    virtual uint16_t ListPrinters(char* buffer, size_t size, size_t* used) = 0;
    // 0 ok, 7 not shared, 8 password mismatch.
    virtual uint16_t CheckPrinter(const std::string& printer, const std::string& password) = 0;

    // A control message for the status window (pause, continue, stop, reload, debug options);
    // handled after the datagram, never inside the socket's own read handler.
    virtual void PostControl(uint16_t message) = 0;

    virtual bool GetAutoStart() = 0;
    virtual void SetAutoStart(bool on) = 0;
    virtual void ToggleTracer() = 0;
    virtual void ToggleTiming() = 0;
};

} // namespace typestone
