#pragma once
// The machine description of trace headers and update posts.

#include "klv_inet/support/klv_export.h"

#include <string>

// Appends: the system version text, "\nDiskSerial: 0x%08x" of the root file system,
// "\nNetSerial: %s" (the node id, or NULL), "\nTerminal Service: Disabled", "\nRunning in:
// CONSOLE" and the session id with the client information of the session.
KLV_EXPORT void GetMachineInfo(std::string& out);
