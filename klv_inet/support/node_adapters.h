#pragma once
// The network adapters whose hardware address can identify the machine.

#include "klv_inet/support/klv_export.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace klv {

struct NodeAdapter
{
    std::string name;
    std::vector<uint8_t> address;
    bool loopback = false;
    bool physical = false;
};

using NodeAdapterLister = std::function<std::vector<NodeAdapter>()>;

// Replaces the system's adapter list (for tests); an empty function restores it.
KLV_EXPORT void setNodeAdapterLister(NodeAdapterLister lister);

// The adapters as the current lister gives them (internal).
std::vector<NodeAdapter> nodeAdapters();

// The address that stands for the machine: the first adapter (devices before virtual
// interfaces, then by name) with a 6-byte address that is neither loopback nor all zero.
std::optional<std::array<uint8_t, 6>> pickNodeAddress(const std::vector<NodeAdapter>& adapters);

} // namespace klv
