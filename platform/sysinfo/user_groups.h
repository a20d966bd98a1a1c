#pragma once
// Users and groups of this machine, as the system's user database knows them.

#include <cstdint>
#include <string>

namespace platform::sysinfo {

// The effective user id of this process (with DynamicUser, the service's own user).
uint32_t effectiveUserId();

// True when the user `uid` belongs to the group named `group`: as its primary group or as a
// listed member. False for an empty name, an unknown user or an unknown group.
bool userInGroup(uint32_t uid, const std::string& group);

} // namespace platform::sysinfo
