#pragma once
// Windows Sockets error numbers for the system's error texts and reports.
//
// The hosts and the operators know socket failures by these numbers and names
// ("WSAECONNREFUSED", 10061), so every failed socket call is reported with the number that
// corresponds to its errno.

namespace platform::net {

namespace wsa {
inline constexpr int Interrupted = 10004;                // WSAEINTR
inline constexpr int BadDescriptor = 10009;              // WSAEBADF
inline constexpr int AccessDenied = 10013;               // WSAEACCES
inline constexpr int Fault = 10014;                      // WSAEFAULT
inline constexpr int InvalidArgument = 10022;            // WSAEINVAL
inline constexpr int TooManyOpenFiles = 10024;           // WSAEMFILE
inline constexpr int FileTableFull = 10026;              // WSAENFILE (named only; nothing maps here)
inline constexpr int WouldBlock = 10035;                 // WSAEWOULDBLOCK
inline constexpr int InProgress = 10036;                 // WSAEINPROGRESS
inline constexpr int Already = 10037;                    // WSAEALREADY
inline constexpr int NotSocket = 10038;                  // WSAENOTSOCK
inline constexpr int DestinationRequired = 10039;        // WSAEDESTADDRREQ
inline constexpr int MessageSize = 10040;                // WSAEMSGSIZE
inline constexpr int ProtocolType = 10041;               // WSAEPROTOTYPE
inline constexpr int NoProtocolOption = 10042;           // WSAENOPROTOOPT
inline constexpr int ProtocolNotSupported = 10043;       // WSAEPROTONOSUPPORT
inline constexpr int SocketTypeNotSupported = 10044;     // WSAESOCKTNOSUPPORT
inline constexpr int OperationNotSupported = 10045;      // WSAEOPNOTSUPP
inline constexpr int ProtocolFamilyNotSupported = 10046; // WSAEPFNOSUPPORT
inline constexpr int AddressFamilyNotSupported = 10047;  // WSAEAFNOSUPPORT
inline constexpr int AddressInUse = 10048;               // WSAEADDRINUSE
inline constexpr int AddressNotAvailable = 10049;        // WSAEADDRNOTAVAIL
inline constexpr int NetworkDown = 10050;                // WSAENETDOWN
inline constexpr int NetworkUnreachable = 10051;         // WSAENETUNREACH
inline constexpr int NetworkReset = 10052;               // WSAENETRESET
inline constexpr int ConnectionAborted = 10053;          // WSAECONNABORTED
inline constexpr int ConnectionReset = 10054;            // WSAECONNRESET
inline constexpr int NoBuffers = 10055;                  // WSAENOBUFS
inline constexpr int IsConnected = 10056;                // WSAEISCONN
inline constexpr int NotConnected = 10057;               // WSAENOTCONN
inline constexpr int Shutdown = 10058;                   // WSAESHUTDOWN
inline constexpr int TooManyReferences = 10059;          // WSAETOOMANYREFS
inline constexpr int TimedOut = 10060;                   // WSAETIMEDOUT
inline constexpr int ConnectionRefused = 10061;          // WSAECONNREFUSED
inline constexpr int Loop = 10062;                       // WSAELOOP
inline constexpr int NameTooLong = 10063;                // WSAENAMETOOLONG
inline constexpr int HostDown = 10064;                   // WSAEHOSTDOWN
inline constexpr int HostUnreachable = 10065;            // WSAEHOSTUNREACH
inline constexpr int NotInitialised = 10093;             // WSANOTINITIALISED (named only)
inline constexpr int ConnectionLost = 10200;             // WSAEILOST (named only)
inline constexpr int NoMemory = 10201;                   // WSAENOMEM (named only)
inline constexpr int HostNotFound = 11001;               // WSAHOST_NOT_FOUND
inline constexpr int TryAgain = 11002;                   // WSATRY_AGAIN
inline constexpr int NoRecovery = 11003;                 // WSANO_RECOVERY
inline constexpr int NoData = 11004;                     // WSANO_DATA
} // namespace wsa

// The Windows Sockets number for an errno value. 0 gives 0. Where Windows reports one number
// for several causes the errno values share it (EPERM and EACCES give WSAEACCES, ENFILE and
// EMFILE give WSAEMFILE, ENOMEM and ENOBUFS give WSAENOBUFS, EPIPE - writing to a connection
// the peer has dropped - gives WSAECONNRESET). Any errno without a socket meaning gives
// WSAEINVAL (10022), the number Windows uses for a call it cannot carry out as asked.
int wsaErrorFromErrno(int errnoValue);

// The Windows Sockets number for a getaddrinfo/getnameinfo result (EAI_*). 0 gives 0;
// EAI_SYSTEM uses `errnoValue` (the errno right after the call); anything unknown gives
// WSANO_RECOVERY (11003).
int wsaErrorFromAddrInfo(int eaiCode, int errnoValue);

// The name of a Windows Sockets number ("WSAECONNREFUSED"), or "" for a number without one
// (0 included). Never null.
const char* wsaErrorName(int wsaCode);

// The Windows Sockets number of the current errno: call it right after the failed call.
int lastSocketError();

} // namespace platform::net
