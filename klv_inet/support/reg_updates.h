#pragma once
// Update-state values of an application (its section "Updates"): the time of each update
// query and the download folder.

#include "klv_inet/support/klv_export.h"

#include <ctime>
#include <string>

// Stores the current local time as "%d-%m-%Y %H:%M" in the named value.
KLV_EXPORT void SaveLastUpdateQuery(const char* name, const char* app = nullptr);

// Reads such a time (seconds 0; a date without a time is midnight). Returns 1 when the value
// held a date with both '-'; otherwise *t is not written.
KLV_EXPORT int GetLastUpdateQuery(const char* name, time_t* t, const char* app = nullptr);

// out = the stored "Download Folder", empty when missing. Returns out.
KLV_EXPORT std::string& GetDownloadFolder(std::string& out, const char* app = nullptr);

// Stores the folder of `path` (cut after its last '/', which it keeps; a path without one
// stays whole) as "Download Folder", and gives it to `out` when that is not null.
KLV_EXPORT void SaveDownloadFolder(const char* path, const char* app = nullptr, std::string* out = nullptr);
