#pragma once
// Dates and versions as text.

#include "klv_inet/support/klv_export.h"

#include <cstdint>
#include <ctime>
#include <string>

// out = the local date of `t` as "%m/%d" or "%d/%m" (after the user's date order), with
// "/%Y" appended when `withYear` is set. Returns out.
KLV_EXPORT std::string& FmtDateStr(time_t t, std::string& out, int withYear);

// Versions counted in hundredths (242 = "2.42.00") or, from 10000, in ten-thousandths
// (24201 = "2.42.01"). Returns out.
KLV_EXPORT std::string& FmtVersionStr(uint32_t version, std::string& out);
