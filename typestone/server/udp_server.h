#pragma once
// The UDP query and control server.
//
// A request is {u16 command, u16 sequence, 2 bytes unread, data}; a reply is {u16 command,
// u16 sequence of the request, u16 data length, data}, all little-endian. Hosts ask who is
// there (1), which printers are shared (2) and whether a printer and password are valid (3);
// TypestoneUI sends the control commands 1094 to 1134, which are obeyed only in service mode,
// only from the loopback interface and only from a socket of a user allowed to control
// (UdpActions::MayControl). The large answers are limited per sender address
// (AnswerRateLimit). Every field is read inside the received datagram.

#include "typestone/server/answer_rate_limit.h"

#include "platform/net/endpoint.h"
#include "platform/net/socket.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace typestone {

class UdpActions;

class CASUDPTypestone
{
public:
    // The largest datagram UDP carries: every datagram is received whole.
    static constexpr size_t kMaxDatagram = 65536;
    static constexpr size_t kWhoReplySize = 261;
    static constexpr size_t kListReplySize = 1009;
    static constexpr size_t kListNameBytes = 1000;

    explicit CASUDPTypestone(UdpActions& actions);

    // Binds the socket; port 0 takes a free one. The old socket is kept until the new one is
    // bound, so a failed bind leaves the server answering on the old port.
    bool Bind(const std::string& address, uint16_t port, std::string* error);
    void Close();
    bool IsOpen() const { return m_socket.isValid(); }
    uint16_t Port() const { return m_port; }
    const platform::net::Socket& Socket() const { return m_socket; }

    // The socket is readable: receives every waiting datagram and answers it.
    void OnReceive(int nErrorCode);

    // Handles one datagram; the reply to send back (empty: none).
    std::vector<uint8_t> Dispatch(const uint8_t* data, size_t size, const platform::net::Endpoint& from);

    // Whether a command is one of TypestoneUI's control commands, and whether a control
    // command from this sender is obeyed.
    static bool IsControlCommand(uint16_t command);
    static bool AcceptControlFrom(const platform::net::Endpoint& from);

    uint16_t LastSequence() const { return m_sequence; }

private:
    std::vector<uint8_t> AnswerWho();
    std::vector<uint8_t> AnswerPrtList();
    std::vector<uint8_t> AnswerChkPrinter(const uint8_t* data, size_t size);
    std::vector<uint8_t> AnswerAutoStart();
    std::vector<uint8_t> AnswerSetRegistryEntry(const uint8_t* data, size_t size);
    std::vector<uint8_t> reply(uint16_t command, size_t totalSize, uint16_t dataLength) const;

    UdpActions& m_actions;
    platform::net::Socket m_socket;
    uint16_t m_port = 0;
    uint16_t m_sequence = 1995;
    std::vector<uint8_t> m_buffer;
    AnswerRateLimit m_answerLimit;
};

} // namespace typestone
