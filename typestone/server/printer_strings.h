#pragma once
// Ids of the strings of the shared-printer configuration and the job reception (the server's
// string table, serverString).

namespace typestone {

inline constexpr unsigned kStrProposeAuxPort = 598;
inline constexpr unsigned kStrPortInUse = 599;
inline constexpr unsigned kStrAuxPortConflict = 600;
inline constexpr unsigned kStrBadPort = 601;
inline constexpr unsigned kStrColPrinter = 1000;
inline constexpr unsigned kStrColShared = 1001;
inline constexpr unsigned kStrColName = 1002;
inline constexpr unsigned kStrSharedNo = 2000;
inline constexpr unsigned kStrSharedYes = 2001;
inline constexpr unsigned kStrSharedPassword = 2002;

} // namespace typestone
