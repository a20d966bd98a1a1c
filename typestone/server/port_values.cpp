#include "typestone/server/port_values.h"

#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace typestone {

std::optional<uint16_t> ParsePortText(std::string_view text)
{
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    if (b == e || e - b > 16 || text[b] == '-' || text[b] == '+')
        return std::nullopt;
    const std::string digits(text.substr(b, e - b));
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(digits.c_str(), &end, 0);
    if (errno != 0 || !end || *end != '\0' || value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

uint16_t DefaultAuxPort(uint16_t servicePort)
{
    return servicePort <= 65533 ? static_cast<uint16_t>(servicePort + 2)
                                : static_cast<uint16_t>(servicePort - 2);
}

bool FixAuxPort(uint16_t servicePort, uint16_t* auxPort)
{
    if (!auxPort || (*auxPort != servicePort && *auxPort != 0))
        return false;
    *auxPort = DefaultAuxPort(servicePort);
    return true;
}

std::optional<uint16_t> ProposedAuxPort(uint16_t servicePort, uint16_t auxPort)
{
    const uint16_t proposal = DefaultAuxPort(servicePort);
    if (auxPort == proposal)
        return std::nullopt;
    return proposal;
}

namespace {

std::optional<uint16_t> readPort(const std::string& section, const char* name)
{
    char buf[20] = {};
    uint32_t size = sizeof buf;
    if (!GetRegistryEntry(section.c_str(), name, buf, &size))
        return std::nullopt;
    return ParsePortText(std::string_view(buf, strnlen(buf, sizeof buf)));
}

} // namespace

JobPorts LoadJobPorts()
{
    std::string section;
    FormSection(section, "General");
    JobPorts ports;
    ports.tcpPort = readPort(section, "TCP_TYPESTONE").value_or(3339);
    const std::optional<uint16_t> aux = readPort(section, "TYPST_AUXPORT");
    ports.auxPort = aux && *aux != ports.tcpPort ? *aux : DefaultAuxPort(ports.tcpPort);
    return ports;
}

std::optional<PortConfig> PortsFromDialog(const PortConfig& current, uint16_t servicePort, uint16_t auxPort)
{
    if (servicePort == 0 || auxPort == 0)
        return std::nullopt;
    PortConfig ports = current;
    ports.tcp = servicePort;
    ports.udp = servicePort;
    ports.aux = auxPort == servicePort ? DefaultAuxPort(servicePort) : auxPort;
    if (ports.udpAux == ports.udp || ports.udpAux == 0)
        ports.udpAux = DefaultAuxPort(ports.udp);
    return ports;
}

} // namespace typestone
