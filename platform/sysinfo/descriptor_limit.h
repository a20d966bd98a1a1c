#pragma once
// The process's limit on open descriptors (RLIMIT_NOFILE).
//
// A server holds a socket and a wake descriptor per connection, so the soft limit (1024 on most
// systems, whatever the hard limit allows) decides how many hosts it can serve at once.

#include <cstdint>
#include <optional>
#include <string>

namespace platform::sysinfo {

struct DescriptorLimit
{
    uint64_t soft = 0;
    uint64_t hard = 0; // kUnlimited when there is none
};

inline constexpr uint64_t kUnlimited = UINT64_MAX;

// The limits in force; nothing when they cannot be read.
std::optional<DescriptorLimit> descriptorLimit();

// Raises the soft limit to the hard one (to the kernel's own ceiling when the hard limit is
// unlimited) and returns the limits in force afterwards. A soft limit that cannot be raised
// stays as it was; `error` then says why. Nothing when the limits cannot be read at all.
std::optional<DescriptorLimit> raiseDescriptorLimit(std::string* error = nullptr);

} // namespace platform::sysinfo
