#include "klv_inet/support/machine_info.h"

#include "klv_inet/support/node_id.h"
#include "klv_inet/support/sys_version.h"
#include "klv_inet/support/work4wts.h"

#include <cstdio>

void GetMachineInfo(std::string& out)
{
    std::string text;
    if (GetWinSystemVersion(nullptr, &text, nullptr, nullptr, nullptr))
        out += text;
    char buf[128];
    std::snprintf(buf, sizeof buf, "\nDiskSerial: 0x%08x", GetVolumeSerial("/"));
    out += buf;
    std::string node;
    out += "\nNetSerial: " + (GetMAC(&node, nullptr) ? node : std::string("NULL"));
    out += std::string("\nTerminal Service: ") +
           (CWork4WTS::IsTerminalServicesEnabled() ? "ENABLED" : "Disabled");
    out += std::string("\nRunning in: ") + (CWork4WTS::IsWTS_Client() ? "REMOTE" : "CONSOLE");
    uint32_t id = 0;
    if (CWork4WTS::GetSessionId(&id)) {
        std::snprintf(buf, sizeof buf, "\nSessionId=%u (0x%08x)", id, id);
        out += buf;
        out += "\nClient Information\n";
        CWork4WTS::GetAllClientInfo(out);
    } else {
        out += "\nNOT WTS client !!";
    }
}
