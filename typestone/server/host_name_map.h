#pragma once
// How the names of a transfer are formed: a host file name to the local name it is stored
// under, and a local name to the host name it is sent as. A "=" in a part of the target stands
// for the same part of the source. "/" separates local folders.
//
// A local name formed from a host name never leaves the target's folder: its file part may not
// be empty, "." or "..", nor hold "..", a separator or a control byte.

#include <optional>
#include <string>

namespace typestone {

// The local name for host file `hostName` with the target `localTarget` (its folder, and a
// name whose parts may be empty or "=" for the host's); nothing when it would not be a safe
// file name in that folder.
std::optional<std::string> MapHostName(const std::string& hostName, const std::string& localTarget);
// The host name for local file `localName` with the host target `hostTarget`; nothing when
// the result is not a valid host file name (CheckHostName).
std::optional<std::string> MapWindowsName(const std::string& localName, const std::string& hostTarget);
// A host file name is invalid when it holds "=", or ":" followed by more than one character.
bool CheckHostName(const std::string& hostName);
// A file part that stays inside its folder (see above).
bool IsSafeFilePart(const std::string& part);

} // namespace typestone
