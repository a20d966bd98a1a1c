#pragma once
// The web update's questions in debug mode (internal): Yes/No with No as the default.

#include <string>

namespace klv {

// True when the user answered Yes; an unanswered question counts as No.
bool debugAsk(const std::string& text);
// A plain notice of debug mode.
void debugTell(const std::string& text);

} // namespace klv
