#pragma once
// The job port and the auxiliary (data) port: parsing, checking and loading.
//
// A port is 1..65535; the auxiliary port must differ from the job port, and its default is the
// job port + 2 (job port - 2 when that would pass 65535). Values are checked where they are
// typed and again where they are read from the settings, so a damaged setting never makes the
// server listen on port 0 or on the same port twice.

#include "typestone/server/general_settings.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace typestone {

struct JobPorts
{
    uint16_t tcpPort = 3339; // "TCP_TYPESTONE"
    uint16_t auxPort = 3341; // "TYPST_AUXPORT"
};

// A port typed as text: decimal, or 0x hex / 0 octal as strtoul reads them; blanks around it
// allowed. Nothing for anything else or a value outside 1..65535.
std::optional<uint16_t> ParsePortText(std::string_view text);

uint16_t DefaultAuxPort(uint16_t servicePort);

// The auxiliary port leaves its edit: when it equals the service port it is replaced by the
// default (true: the user is told so).
bool FixAuxPort(uint16_t servicePort, uint16_t* auxPort);

// The service port was changed: the auxiliary port to propose, or nothing when it already is
// the default for the new service port.
std::optional<uint16_t> ProposedAuxPort(uint16_t servicePort, uint16_t auxPort);

// Reads both ports from the section "General"; a missing or bad job port gives 3339, a
// missing or bad auxiliary port (or one equal to the job port) the default for the job port.
JobPorts LoadJobPorts();

// The four ports after the shared-printer dialog's OK: the job and UDP ports become the
// service port, the data port the auxiliary port. They are checked as the stored settings are:
// nothing for a port 0; an auxiliary port equal to the service port becomes its default, and
// so does TypestoneUI's port when it would equal the new UDP port.
std::optional<PortConfig> PortsFromDialog(const PortConfig& current, uint16_t servicePort, uint16_t auxPort);

} // namespace typestone
