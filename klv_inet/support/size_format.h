#pragma once
// Sizes as text: bytes, kilo or mega, with the user's decimal separator.

#include "klv_inet/support/klv_export.h"

#include <cstdint>
#include <string>

// The scale follows `basis` (the value itself when basis is 0), so two sizes can be shown in
// the same scale: up to 1024 "512 bytes", up to 1048576 "1,5 Kbytes" (one decimal, or none
// without `decimals`), above "3,500 Mbytes" (three decimals). A null or empty unit drops the
// scale letter too, leaving the number and a blank.
KLV_EXPORT std::string FormatSize(const char* unit, uint64_t value, uint64_t basis = 0, int decimals = 1);
