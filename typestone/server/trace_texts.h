#pragma once
// Texts the server's trace lines are made of.

#include "platform/net/endpoint.h"
#include "platform/net/socket.h"

#include <ctime>
#include <string>

namespace typestone {

// The font fields a trace line names.
struct TraceFont
{
    std::string face;
    int height = 0;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// out = "\n%s(%s:%u)" of the label, the dotted address and the port; returns out.
std::string& peerText(const platform::net::Endpoint& peer, std::string& out, const char* label);

// The socket's local address as peerText with the label, followed by "(socket=%u)"; when it
// cannot be read, "\nWSAGetLastError(): = %u" of the error and false.
bool socketText(const platform::net::Socket& socket, std::string& out, const char* label);

// The font as a framed trace block; returns out.
std::string& fontText(const TraceFont& font, std::string& out);

// "%d-%m-%Y (%H:%M:%S)" of *t, or for a null t the current time closed by the milliseconds
// of the tick count (":%03u)"); returns out.
std::string& timeText(std::string& out, const time_t* t);
// "\n(<time text of now>)->".
std::string timeStampLine();

} // namespace typestone
