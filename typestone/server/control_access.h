#pragma once
// Who may send TypestoneUI's control commands (pause, stop, auto-start, settings writes): a
// socket on this machine owned by root, by the server's own user, or by a member of the group
// named in the setting "ControlGroup". Every socket that could have sent the datagram must be
// so owned; one of another user, or none at all (closed already), refuses it.

#include "platform/net/endpoint.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace typestone {

class ControlAccess
{
public:
    // The owners of the sockets a datagram from a sender can have come from; nothing when
    // they cannot be told.
    using OwnerLookup = std::function<std::optional<std::vector<uint32_t>>(const platform::net::Endpoint&)>;
    using GroupCheck = std::function<bool(uint32_t uid, const std::string& group)>;

    // Unset functions use the kernel's socket tables and the system's user database.
    ControlAccess(OwnerLookup owners = {}, GroupCheck inGroup = {}, std::optional<uint32_t> ownUid = {});

    // The group whose members may control too (empty: none).
    void SetGroup(const std::string& group) { m_group = group; }
    const std::string& Group() const { return m_group; }
    // Reads "ControlGroup" from the section "General".
    void LoadGroup();

    // True when a control datagram from `from` is obeyed. *owner (when given) is set to the
    // first owner that was refused, for the trace.
    bool Allowed(const platform::net::Endpoint& from, std::optional<uint32_t>* refusedOwner = nullptr) const;

private:
    bool ownerAllowed(uint32_t uid) const;

    OwnerLookup m_owners;
    GroupCheck m_inGroup;
    uint32_t m_ownUid;
    std::string m_group;
};

} // namespace typestone
