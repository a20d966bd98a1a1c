#pragma once
// The numbers of the status window's messages and of the datagram commands. TypestoneUI and
// the hosts use the same numbers, so they never change.

#include <cstdint>

namespace typestone {

// Messages of the status window.
inline constexpr uint16_t PRINTER_SERVER_MSG = 1047; // a listening socket is ready
inline constexpr uint16_t TRAY_MSG = 1093;
inline constexpr uint16_t SCM_PAUSE_MSG = 1094;
inline constexpr uint16_t SCM_CONTINUE_MSG = 1095;
inline constexpr uint16_t SCM_STOP_MSG = 1096;
inline constexpr uint16_t SCM_RUNNING = 1097;
inline constexpr uint16_t ADD_ICON2TRAY = 1098;
inline constexpr uint16_t QUERY_AUTOFLAG = 1099;

// Datagram commands on the UDP port.
inline constexpr uint16_t CMD_WHO = 1;
inline constexpr uint16_t CMD_PRTLIST = 2;
inline constexpr uint16_t CMD_CHKPRINTER = 3;
inline constexpr uint16_t CMD_RELOADCFG = 1125;
inline constexpr uint16_t CMD_AUTOSTART_ON = 1126;
inline constexpr uint16_t CMD_AUTOSTART_OFF = 1127;
inline constexpr uint16_t CMD_GETAUTOSTART = 1128;
inline constexpr uint16_t CMD_TOGGLETRACER = 1129;
inline constexpr uint16_t CMD_TOGGLETIMING = 1130;
inline constexpr uint16_t CMD_SETDBGOPTIONS = 1131;
inline constexpr uint16_t CMD_GETDBGOPTIONS = 1132;
inline constexpr uint16_t CMD_SENDMESSAGE = 1133;
inline constexpr uint16_t CMD_SETREGISTRYENTRY = 1134;

// The first and last command that only TypestoneUI may send.
inline constexpr uint16_t kFirstControlCommand = SCM_PAUSE_MSG;
inline constexpr uint16_t kLastControlCommand = CMD_SETREGISTRYENTRY;

// The user control code that rewrites the shared memory (SIGUSR1).
inline constexpr uint32_t kControlWriteSharedMem = 128;

} // namespace typestone
