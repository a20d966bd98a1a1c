#pragma once
// What the targets share: a private scratch folder for the process, and the process-wide
// settings store pointed at a file of the target's choosing.

#include <string>

namespace fuzz {

// A folder of this process (in /dev/shm when there is one, so that the store's writes stay in
// memory), made on first use and removed when the process ends.
const std::string& scratchFolder();

// Makes the settings store at `path` the process-wide one (it is reopened only when the path
// changes), so that targets sharing one program do not see each other's store.
void useStore(const std::string& path);

// Forgets the process-wide store and deletes its files (the next use starts an empty one).
void dropStore(const std::string& path);

// Writes `size` bytes to `path`, replacing it; false when it cannot.
bool writeFile(const std::string& path, const void* data, size_t size);
std::string readFile(const std::string& path);

} // namespace fuzz
