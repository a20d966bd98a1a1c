#pragma once
// Checking a file name given for printing on this machine.

#include "klv_inet/support/klv_export.h"

#include <string>

// out = the full path of `name` when that file exists and is not empty, else empty. A
// relative name is made absolute from the current folder (a bare name is first looked for in
// the program's data folder, which needs no note). `message`, when given, receives the note
// about a relative name, or the error that the file was not found. Returns out's text, or null
// when out is null.
KLV_EXPORT const char* FormWindowsLocalFName(const char* name, std::string* out, std::string* message);
