#include "platform/net/wsa_error.h"

#include <cerrno>
#include <netdb.h>

namespace platform::net {

int wsaErrorFromErrno(int errnoValue)
{
    switch (errnoValue) {
    case 0:
        return 0;
    case EINTR:
        return wsa::Interrupted;
    case EBADF:
        return wsa::BadDescriptor;
    case EACCES:
    case EPERM:
        return wsa::AccessDenied;
    case EFAULT:
        return wsa::Fault;
    case EINVAL:
        return wsa::InvalidArgument;
    case EMFILE:
    case ENFILE:
        return wsa::TooManyOpenFiles;
    case EAGAIN: // EWOULDBLOCK is the same value on Linux
        return wsa::WouldBlock;
    case EINPROGRESS:
        return wsa::InProgress;
    case EALREADY:
        return wsa::Already;
    case ENOTSOCK:
        return wsa::NotSocket;
    case EDESTADDRREQ:
        return wsa::DestinationRequired;
    case EMSGSIZE:
        return wsa::MessageSize;
    case EPROTOTYPE:
        return wsa::ProtocolType;
    case ENOPROTOOPT:
        return wsa::NoProtocolOption;
    case EPROTONOSUPPORT:
        return wsa::ProtocolNotSupported;
    case ESOCKTNOSUPPORT:
        return wsa::SocketTypeNotSupported;
    case EOPNOTSUPP: // ENOTSUP is the same value on Linux
        return wsa::OperationNotSupported;
    case EPFNOSUPPORT:
        return wsa::ProtocolFamilyNotSupported;
    case EAFNOSUPPORT:
        return wsa::AddressFamilyNotSupported;
    case EADDRINUSE:
        return wsa::AddressInUse;
    case EADDRNOTAVAIL:
        return wsa::AddressNotAvailable;
    case ENETDOWN:
        return wsa::NetworkDown;
    case ENETUNREACH:
        return wsa::NetworkUnreachable;
    case ENETRESET:
        return wsa::NetworkReset;
    case ECONNABORTED:
        return wsa::ConnectionAborted;
    case ECONNRESET:
    case EPIPE:
        return wsa::ConnectionReset;
    case ENOBUFS:
    case ENOMEM:
        return wsa::NoBuffers;
    case EISCONN:
        return wsa::IsConnected;
    case ENOTCONN:
        return wsa::NotConnected;
    case ESHUTDOWN:
        return wsa::Shutdown;
    case ETOOMANYREFS:
        return wsa::TooManyReferences;
    case ETIMEDOUT:
        return wsa::TimedOut;
    case ECONNREFUSED:
        return wsa::ConnectionRefused;
    case ELOOP:
        return wsa::Loop;
    case ENAMETOOLONG:
        return wsa::NameTooLong;
    case EHOSTDOWN:
        return wsa::HostDown;
    case EHOSTUNREACH:
        return wsa::HostUnreachable;
    default:
        return wsa::InvalidArgument;
    }
}

int wsaErrorFromAddrInfo(int eaiCode, int errnoValue)
{
    switch (eaiCode) {
    case 0:
        return 0;
    case EAI_NONAME:
        return wsa::HostNotFound;
    case EAI_AGAIN:
        return wsa::TryAgain;
    case EAI_FAIL:
        return wsa::NoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return wsa::NoData;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
        return wsa::NoData;
#endif
    case EAI_FAMILY:
        return wsa::AddressFamilyNotSupported;
    case EAI_SOCKTYPE:
        return wsa::SocketTypeNotSupported;
    case EAI_BADFLAGS:
    case EAI_SERVICE:
        return wsa::InvalidArgument;
    case EAI_MEMORY:
        return wsa::NoBuffers;
    case EAI_OVERFLOW:
        return wsa::Fault;
    case EAI_SYSTEM:
        return errnoValue ? wsaErrorFromErrno(errnoValue) : wsa::NoRecovery;
    default:
        return wsa::NoRecovery;
    }
}

const char* wsaErrorName(int wsaCode)
{
    switch (wsaCode) {
    case wsa::Interrupted:
        return "WSAEINTR";
    case wsa::BadDescriptor:
        return "WSAEBADF";
    case wsa::AccessDenied:
        return "WSAEACCES";
    case wsa::Fault:
        return "WSAEFAULT";
    case wsa::InvalidArgument:
        return "WSAEINVAL";
    case wsa::TooManyOpenFiles:
        return "WSAEMFILE";
    case wsa::FileTableFull:
        return "WSAENFILE";
    case wsa::WouldBlock:
        return "WSAEWOULDBLOCK";
    case wsa::InProgress:
        return "WSAEINPROGRESS";
    case wsa::Already:
        return "WSAEALREADY";
    case wsa::NotSocket:
        return "WSAENOTSOCK";
    case wsa::DestinationRequired:
        return "WSAEDESTADDRREQ";
    case wsa::MessageSize:
        return "WSAEMSGSIZE";
    case wsa::ProtocolType:
        return "WSAEPROTOTYPE";
    case wsa::NoProtocolOption:
        return "WSAENOPROTOOPT";
    case wsa::ProtocolNotSupported:
        return "WSAEPROTONOSUPPORT";
    case wsa::SocketTypeNotSupported:
        return "WSAESOCKTNOSUPPORT";
    case wsa::OperationNotSupported:
        return "WSAEOPNOTSUPP";
    case wsa::ProtocolFamilyNotSupported:
        return "WSAEPFNOSUPPORT";
    case wsa::AddressFamilyNotSupported:
        return "WSAEAFNOSUPPORT";
    case wsa::AddressInUse:
        return "WSAEADDRINUSE";
    case wsa::AddressNotAvailable:
        return "WSAEADDRNOTAVAIL";
    case wsa::NetworkDown:
        return "WSAENETDOWN";
    case wsa::NetworkUnreachable:
        return "WSAENETUNREACH";
    case wsa::NetworkReset:
        return "WSAENETRESET";
    case wsa::ConnectionAborted:
        return "WSAECONNABORTED";
    case wsa::ConnectionReset:
        return "WSAECONNRESET";
    case wsa::NoBuffers:
        return "WSAENOBUFS";
    case wsa::IsConnected:
        return "WSAEISCONN";
    case wsa::NotConnected:
        return "WSAENOTCONN";
    case wsa::Shutdown:
        return "WSAESHUTDOWN";
    case wsa::TooManyReferences:
        return "WSAETOOMANYREFS";
    case wsa::TimedOut:
        return "WSAETIMEDOUT";
    case wsa::ConnectionRefused:
        return "WSAECONNREFUSED";
    case wsa::Loop:
        return "WSAELOOP";
    case wsa::NameTooLong:
        return "WSAENAMETOOLONG";
    case wsa::HostDown:
        return "WSAEHOSTDOWN";
    case wsa::HostUnreachable:
        return "WSAEHOSTUNREACH";
    case wsa::NotInitialised:
        return "WSANOTINITIALISED";
    case wsa::ConnectionLost:
        return "WSAEILOST";
    case wsa::NoMemory:
        return "WSAENOMEM";
    case wsa::HostNotFound:
        return "WSAHOST_NOT_FOUND";
    case wsa::TryAgain:
        return "WSATRY_AGAIN";
    case wsa::NoRecovery:
        return "WSANO_RECOVERY";
    case wsa::NoData:
        return "WSANO_DATA";
    default:
        return "";
    }
}

int lastSocketError()
{
    return wsaErrorFromErrno(errno);
}

} // namespace platform::net
