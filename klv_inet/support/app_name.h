#pragma once
// The application name that the library's section paths and named objects use when a caller
// passes none.

#include "klv_inet/support/klv_export.h"

#include <string>

// Sets the name for the whole process; a null or empty name restores the default, the running
// program's file name without its extension.
KLV_EXPORT void SetAppName(const char* name);

// The current application name (never empty).
KLV_EXPORT std::string GetAppName();
