#pragma once
// Shows one box through the user-interface bridge (internal to the library).

#include <string>

namespace klv {

struct BoxResult
{
    int answer = 0;
    bool timedOut = false; // nobody answered within the time-out
};

BoxResult presentBox(const std::string& text, unsigned type, unsigned helpId, unsigned timeoutMs);

} // namespace klv
