#pragma once
// The machine's six-byte node id: a network adapter's hardware address, or, on a machine
// without one, a generated id kept as REG_BINARY "MAC" in the section "Host" of the running
// application. Shown as 12 lower-case hex digits.

#include "klv_inet/support/klv_export.h"

#include <cstdint>
#include <string>

// Gives the node id and its text to the outs that are not null. With `force` the stored (or
// a newly generated and stored) id wins over an adapter. `trace` receives the steps. Returns 0
// only when the system reports no network address and force is not set, else 1.
KLV_EXPORT int _GetMAC(std::string* text, uint8_t* node, int force, std::string* trace);

// _GetMAC without force and without trace.
KLV_EXPORT int GetMAC(std::string* text, uint8_t* node);

namespace klv {

// The stored node id: 1 with its 6 bytes when one is stored.
KLV_EXPORT int loadStoredNodeId(uint8_t node[6]);
KLV_EXPORT void saveStoredNodeId(const uint8_t node[6]);

} // namespace klv
