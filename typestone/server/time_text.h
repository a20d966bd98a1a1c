#pragma once
// Small text helpers of the server.

#include <cstdint>
#include <string>

namespace typestone {

// "hh:mm:ss" of a number of seconds; the hours are not wrapped at 24 (90000 gives "25:00:00").
std::string SecondsToText(uint32_t seconds);

} // namespace typestone
