#pragma once
// Joining paths and making sure a path does or does not end with a separator. Local paths use
// '/' as their separator; the separator argument lets callers work on host paths too.

#include "klv_inet/support/klv_export.h"

#include <cstddef>
#include <string>

// 1 when `path` is not empty and its last character is `sep`.
KLV_EXPORT int LastIsBSlash(const char* path, char sep = '/');

// With want 1 appends `sep` when the path does not end with it; with want 0 removes one last
// `sep`. Works in place on a buffer of `capacity` bytes (the path is left unchanged when the
// separator does not fit). A null path gives null.
KLV_EXPORT char* EndingBSlash(char* path, size_t capacity, int want, char sep = '/');

// The same rule on a string; returns the string.
KLV_EXPORT std::string& EndingBSlash(std::string& path, int want, char sep = '/');

// out = base, ending with '/' exactly when the tail does not begin with one, followed by the
// tail. A null tail leaves out = base. Returns out.
KLV_EXPORT std::string& CompossePaths(std::string& out, const std::string& base, const char* tail);

// Creates every missing folder up to the last '/' of the path (what follows it is taken as a
// file name). Failures are silent.
KLV_EXPORT void ExpandPath(const std::string& path);

// The root folder of the path's file system tree, with its separator: always "/" here.
KLV_EXPORT std::string GetDrive(const std::string& path);

// A name without a '/' is placed in the program's data folder; a name with one is taken
// unchanged. Returns out.
KLV_EXPORT std::string& FormFNameInAppPath(const char* name, std::string& out);
