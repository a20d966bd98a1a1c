#pragma once
// The pieces every trace line of the programs shares: the time stamp and the thread tag.

#include "klv_inet/support/klv_export.h"

#include <cstdint>
#include <ctime>
#include <string>

namespace klv {

// "%d-%m-%Y (%H:%M:%S" of the local time `t`, closed by ":%03u)" of `tickMs` modulo 1000 (the
// milliseconds come from the tick counter, not the clock).
KLV_EXPORT std::string traceTimeStamp(time_t t, uint64_t tickMs);
// The same for now.
KLV_EXPORT std::string traceTimeStamp();

// "%d-%m-%Y (%H:%M:%S)" of the local time `t`.
KLV_EXPORT std::string traceDate(time_t t);

// The calling thread's tag: eight upper-case hex digits of a number given to each thread on
// its first trace (the main thread is usually 00000001), so lines of one thread can be told
// apart in the file.
KLV_EXPORT std::string traceThreadTag();

} // namespace klv
