#include "klv_inet/support/node_adapters.h"

#include "platform/sysinfo/net_adapters.h"

#include <algorithm>
#include <mutex>

namespace klv {
namespace {

std::mutex g_lock;
NodeAdapterLister g_lister;

std::vector<NodeAdapter> systemAdapters()
{
    std::vector<NodeAdapter> list;
    for (auto& a : platform::sysinfo::netAdapters())
        list.push_back(NodeAdapter{a.name, a.address, a.loopback, a.physical});
    return list;
}

} // namespace

void setNodeAdapterLister(NodeAdapterLister lister)
{
    std::lock_guard<std::mutex> g(g_lock);
    g_lister = std::move(lister);
}

std::vector<NodeAdapter> nodeAdapters()
{
    NodeAdapterLister lister;
    {
        std::lock_guard<std::mutex> g(g_lock);
        lister = g_lister;
    }
    return lister ? lister() : systemAdapters();
}

std::optional<std::array<uint8_t, 6>> pickNodeAddress(const std::vector<NodeAdapter>& adapters)
{
    std::vector<const NodeAdapter*> usable;
    for (const auto& a : adapters) {
        if (a.loopback || a.address.size() != 6)
            continue;
        if (std::all_of(a.address.begin(), a.address.end(), [](uint8_t b) { return b == 0; }))
            continue;
        usable.push_back(&a);
    }
    if (usable.empty())
        return std::nullopt;
    std::stable_sort(usable.begin(), usable.end(), [](const NodeAdapter* x, const NodeAdapter* y) {
        if (x->physical != y->physical)
            return x->physical;
        return x->name < y->name;
    });
    std::array<uint8_t, 6> out{};
    std::copy(usable.front()->address.begin(), usable.front()->address.end(), out.begin());
    return out;
}

} // namespace klv
