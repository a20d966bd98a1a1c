#pragma once
// Comparisons of ASCII text without regard to case.

#include "klv_inet/support/klv_export.h"

#include <string_view>

namespace klv {

KLV_EXPORT bool equalsNoCase(std::string_view a, std::string_view b);
KLV_EXPORT bool startsWithNoCase(std::string_view text, std::string_view prefix);
KLV_EXPORT bool endsWithNoCase(std::string_view text, std::string_view suffix);

} // namespace klv
