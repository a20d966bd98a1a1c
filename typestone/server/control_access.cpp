#include "typestone/server/control_access.h"

#include "typestone/server/general_settings.h"

#include "klv_inet/support/reg_entry.h"

#include "platform/net/udp_owner.h"
#include "platform/sysinfo/user_groups.h"

namespace typestone {

ControlAccess::ControlAccess(OwnerLookup owners, GroupCheck inGroup, std::optional<uint32_t> ownUid)
    : m_owners(owners ? std::move(owners) : OwnerLookup(&platform::net::udpSenderOwners)),
      m_inGroup(inGroup ? std::move(inGroup) : GroupCheck(&platform::sysinfo::userInGroup)),
      m_ownUid(ownUid ? *ownUid : platform::sysinfo::effectiveUserId())
{
}

void ControlAccess::LoadGroup()
{
    // A group name is at most 32 characters on Linux; a longer value names no group.
    char buffer[64] = {};
    uint32_t size = sizeof buffer;
    if (!GetRegistryEntry(GeneralSection().c_str(), "ControlGroup", buffer, &size)) {
        m_group.clear();
        return;
    }
    buffer[sizeof buffer - 1] = '\0';
    m_group = buffer;
}

bool ControlAccess::ownerAllowed(uint32_t uid) const
{
    return uid == 0 || uid == m_ownUid || (!m_group.empty() && m_inGroup(uid, m_group));
}

bool ControlAccess::Allowed(const platform::net::Endpoint& from, std::optional<uint32_t>* refusedOwner) const
{
    if (refusedOwner)
        refusedOwner->reset();
    if (!platform::net::isLoopback(from.address))
        return false;
    const std::optional<std::vector<uint32_t>> owners = m_owners(from);
    if (!owners || owners->empty())
        return false;
    for (uint32_t uid : *owners) {
        if (!ownerAllowed(uid)) {
            if (refusedOwner)
                *refusedOwner = uid;
            return false;
        }
    }
    return true;
}

} // namespace typestone
