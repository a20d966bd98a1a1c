#pragma once
// Fills the printf-style fields of a table string with text, so a translated string can never
// make the program read an argument it was not given.

#include <initializer_list>
#include <string>

namespace typestone {

// Each %s, %d, %u, %lu or %c field (flags and width are dropped) takes the next value in turn,
// an empty text once they run out; %% is a percent sign; anything else is kept as it is.
std::string fillFields(const std::string& pattern, std::initializer_list<std::string> values);

} // namespace typestone
