#include "typestone/server/trace_texts.h"

#include "klv_inet/support/trace_stamp.h"

#include "platform/net/socket_io.h"
#include "platform/net/wsa_error.h"
#include "platform/text/sprintf.h"

#include <cerrno>
#include <cstdio>

namespace typestone {

std::string& peerText(const platform::net::Endpoint& peer, std::string& out, const char* label)
{
    out = std::string("\n") + (label ? label : "") + "(" + peer.address +
          platform::text::sprintf(":%u)", static_cast<unsigned>(peer.port));
    return out;
}

bool socketText(const platform::net::Socket& socket, std::string& out, const char* label)
{
    const std::optional<platform::net::Endpoint> local = platform::net::localEndpoint(socket);
    if (!local) {
        out = platform::text::sprintf("\nWSAGetLastError(): = %u",
                                      static_cast<unsigned>(platform::net::wsaErrorFromErrno(errno)));
        return false;
    }
    peerText(*local, out, label);
    out += platform::text::sprintf("(socket=%u)", static_cast<unsigned>(socket.fd()));
    return true;
}

std::string& fontText(const TraceFont& f, std::string& out)
{
    out = "\n-----------\n\n" + f.face +
          platform::text::sprintf("- h=%d, w=%d, esc=%d, ori=%d, wei=%d, %s %s %s", f.height, f.width,
                                  f.escapement, f.orientation, f.weight, f.italic ? "Italic" : "",
                                  f.underline ? "Underline" : "", f.strikeOut ? "StrikeOut" : "") +
          "\n----------------";
    return out;
}

std::string& timeText(std::string& out, const time_t* t)
{
    out = t ? klv::traceDate(*t) : klv::traceTimeStamp();
    return out;
}

std::string timeStampLine()
{
    std::string t;
    return "\n(" + timeText(t, nullptr) + ")->";
}

} // namespace typestone
