#pragma once
// Comparisons of ASCII text without regard to case (internal to the library).

#include <string_view>

namespace klv {

bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);
bool endsWithNoCase(std::string_view text, std::string_view suffix);

} // namespace klv
