#pragma once
// Where the programs keep their files.
//
// Read-only files (logo, version notes, printer test files) live in the data folder of the
// install. Everything written goes to the state, cache or runtime folder: the ones systemd
// hands a service (STATE_DIRECTORY, CACHE_DIRECTORY, RUNTIME_DIRECTORY), else the user's XDG
// folders. Every function returns an absolute path without a trailing '/'.

#include <string>

namespace platform::folders {

// Folder of the running executable.
std::string executableDir();

// Read-only data: TYPESTONE_DATA_DIR when set, else <exe>/../share/typestone when it exists,
// else the executable's own folder.
std::string dataDir();

// Writable folders for this program ("typestone" below the base), created 0700 when missing.
// STATE_DIRECTORY / XDG_STATE_HOME (~/.local/state), CACHE_DIRECTORY / XDG_CACHE_HOME
// (~/.cache), CONFIGURATION_DIRECTORY / XDG_CONFIG_HOME (~/.config), RUNTIME_DIRECTORY /
// XDG_RUNTIME_DIR (else /tmp/typestone-<uid>). systemd's variables may hold a ':'-separated
// list; the first entry is used and taken as the program's own folder already.
std::string stateDir();
std::string cacheDir();
std::string configDir();
std::string runtimeDir();

// The system's temporary folder: TMPDIR when set and absolute, else /tmp.
std::string systemTempDir();

// Makes sure `path` is a private folder: created 0700 when missing (parents 0700 too), a
// symlink in its place is refused, it must be a directory owned by this user, and its mode is
// tightened to 0700. Returns false with a readable reason in `error`.
bool ensurePrivateDir(const std::string& path, std::string* error = nullptr);

// Creates `path` and its missing parents with the given mode (existing folders are left as
// they are). Returns false with a reason in `error`.
bool makePath(const std::string& path, unsigned mode, std::string* error = nullptr);

} // namespace platform::folders
