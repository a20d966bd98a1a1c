#pragma once
// Opening a document with the desktop's preferred application.

#include <string>

namespace platform::sysinfo {

// Starts xdg-open on `path` (an existing file) in the folder `workDir`, detached: the call
// neither waits for the application nor leaves a child behind. False when the file is missing
// or nothing could be started.
bool openDocument(const std::string& path, const std::string& workDir);

} // namespace platform::sysinfo
