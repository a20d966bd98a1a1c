#pragma once
// Trace areas (masks of the "Trz_Level" setting), shared by the server and the print engine.

#include <cstdint>

namespace typestone {

inline constexpr uint32_t kTrzAlways = 0;
inline constexpr uint32_t kTrzFiles = 1;     // file cache and host file transfer
inline constexpr uint32_t kTrzCore = 2;      // start-up, service, UDP server, job reception, raw printing,
                                             // commands the engine cannot carry out
inline constexpr uint32_t kTrzStatus = 4;    // status window, datagrams to TypestoneUI, OEM text
inline constexpr uint32_t kTrzJobs = 8;      // job sequencing, accept, job names, message boxes, engine
inline constexpr uint32_t kTrzDataPort = 16; // socket calls of the job's data port
inline constexpr uint32_t kTrzDumps = 0x80000000u; // print engine data dumps

} // namespace typestone
