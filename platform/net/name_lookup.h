#pragma once
// Host name look-ups with an upper bound on the wait.
//
// The resolver itself has no time-out of its own that we control, so each look-up runs on a
// helper thread and the caller waits at most `timeoutMs`; a look-up that outlives its caller
// finishes in the background. At most a few run at once; beyond that a look-up fails at once
// rather than piling up threads behind a resolver that does not answer.

#include "platform/net/socket_results.h"

#include <string>

namespace platform::net {

inline constexpr int kDefaultLookupTimeoutMs = 3000;

// The host name registered for a dotted IPv4 address (a name is required: an address without
// one fails with WSAHOST_NOT_FOUND rather than echoing the address).
LookupResult reverseLookup(const std::string& address, int timeoutMs = kDefaultLookupTimeoutMs);

// The dotted IPv4 address of `name`; dotted text is returned as it is without a look-up.
LookupResult resolveIpv4(const std::string& name, int timeoutMs = kDefaultLookupTimeoutMs);

} // namespace platform::net
