#pragma once
// The running list's one transaction (internal to the library).

#include "klv_inet/support/instances.h"

#include <functional>
#include <string>
#include <vector>

namespace klv {

// Reads the running list of `app` (already upper-cased), drops what ReadRunningList drops, lets
// `change` add to the rest, and writes it back; the list as written.
std::vector<RunningInstance>
RewriteRunningList(const std::string& app, const std::string& titleFilter, uint32_t excludePid,
                   const std::function<void(std::vector<RunningInstance>&)>& change);

// The application name as the instance functions use it: the caller's or the current one,
// upper-cased.
std::string UpperAppName(const char* app);

} // namespace klv
