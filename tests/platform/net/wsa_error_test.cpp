#include "platform/net/wsa_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <string>

using namespace platform::net;

TEST(WsaError, MapsEveryErrnoWithASocketMeaningToItsNumberAndName)
{
    const struct
    {
        int err;
        int code;
        const char* name;
    } rows[] = {
        {EINTR, 10004, "WSAEINTR"},
        {EBADF, 10009, "WSAEBADF"},
        {EACCES, 10013, "WSAEACCES"},
        {EPERM, 10013, "WSAEACCES"},
        {EFAULT, 10014, "WSAEFAULT"},
        {EINVAL, 10022, "WSAEINVAL"},
        {EMFILE, 10024, "WSAEMFILE"},
        {ENFILE, 10024, "WSAEMFILE"},
        {EAGAIN, 10035, "WSAEWOULDBLOCK"},
        {EWOULDBLOCK, 10035, "WSAEWOULDBLOCK"},
        {EINPROGRESS, 10036, "WSAEINPROGRESS"},
        {EALREADY, 10037, "WSAEALREADY"},
        {ENOTSOCK, 10038, "WSAENOTSOCK"},
        {EDESTADDRREQ, 10039, "WSAEDESTADDRREQ"},
        {EMSGSIZE, 10040, "WSAEMSGSIZE"},
        {EPROTOTYPE, 10041, "WSAEPROTOTYPE"},
        {ENOPROTOOPT, 10042, "WSAENOPROTOOPT"},
        {EPROTONOSUPPORT, 10043, "WSAEPROTONOSUPPORT"},
        {ESOCKTNOSUPPORT, 10044, "WSAESOCKTNOSUPPORT"},
        {EOPNOTSUPP, 10045, "WSAEOPNOTSUPP"},
        {ENOTSUP, 10045, "WSAEOPNOTSUPP"},
        {EPFNOSUPPORT, 10046, "WSAEPFNOSUPPORT"},
        {EAFNOSUPPORT, 10047, "WSAEAFNOSUPPORT"},
        {EADDRINUSE, 10048, "WSAEADDRINUSE"},
        {EADDRNOTAVAIL, 10049, "WSAEADDRNOTAVAIL"},
        {ENETDOWN, 10050, "WSAENETDOWN"},
        {ENETUNREACH, 10051, "WSAENETUNREACH"},
        {ENETRESET, 10052, "WSAENETRESET"},
        {ECONNABORTED, 10053, "WSAECONNABORTED"},
        {ECONNRESET, 10054, "WSAECONNRESET"},
        {EPIPE, 10054, "WSAECONNRESET"},
        {ENOBUFS, 10055, "WSAENOBUFS"},
        {ENOMEM, 10055, "WSAENOBUFS"},
        {EISCONN, 10056, "WSAEISCONN"},
        {ENOTCONN, 10057, "WSAENOTCONN"},
        {ESHUTDOWN, 10058, "WSAESHUTDOWN"},
        {ETOOMANYREFS, 10059, "WSAETOOMANYREFS"},
        {ETIMEDOUT, 10060, "WSAETIMEDOUT"},
        {ECONNREFUSED, 10061, "WSAECONNREFUSED"},
        {ELOOP, 10062, "WSAELOOP"},
        {ENAMETOOLONG, 10063, "WSAENAMETOOLONG"},
        {EHOSTDOWN, 10064, "WSAEHOSTDOWN"},
        {EHOSTUNREACH, 10065, "WSAEHOSTUNREACH"},
        // No socket meaning: the documented fallback.
        {ENOENT, 10022, "WSAEINVAL"},
        {EISDIR, 10022, "WSAEINVAL"},
        {99999, 10022, "WSAEINVAL"},
        {0, 0, ""},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(wsaErrorFromErrno(r.err), r.code) << std::strerror(r.err);
        EXPECT_STREQ(wsaErrorName(wsaErrorFromErrno(r.err)), r.name) << std::strerror(r.err);
        errno = r.err;
        EXPECT_EQ(lastSocketError(), r.code) << std::strerror(r.err);
    }
}

TEST(WsaError, NamesTheResolverAndReportOnlyNumbersAndNothingElse)
{
    const struct
    {
        int code;
        const char* name;
    } named[] = {
        {10026, "WSAENFILE"},      {10093, "WSANOTINITIALISED"}, {10200, "WSAEILOST"},
        {10201, "WSAENOMEM"},      {11001, "WSAHOST_NOT_FOUND"}, {11002, "WSATRY_AGAIN"},
        {11003, "WSANO_RECOVERY"}, {11004, "WSANO_DATA"},
    };
    for (const auto& n : named)
        EXPECT_STREQ(wsaErrorName(n.code), n.name) << n.code;
    for (int unnamed : {-1, 1, 10000, 10003, 10066, 10092, 11000, 11005, 2007})
        EXPECT_STREQ(wsaErrorName(unnamed), "") << unnamed;
}

TEST(WsaError, MapsResolverResults)
{
    const struct
    {
        int eai;
        int err;
        int code;
    } rows[] = {
        {0, 0, 0},
        {EAI_NONAME, 0, 11001},
        {EAI_AGAIN, 0, 11002},
        {EAI_FAIL, 0, 11003},
        {EAI_NODATA, 0, 11004},
        {EAI_ADDRFAMILY, 0, 11004},
        {EAI_FAMILY, 0, 10047},
        {EAI_SOCKTYPE, 0, 10044},
        {EAI_BADFLAGS, 0, 10022},
        {EAI_SERVICE, 0, 10022},
        {EAI_MEMORY, 0, 10055},
        {EAI_OVERFLOW, 0, 10014},
        {EAI_SYSTEM, ECONNREFUSED, 10061},
        {EAI_SYSTEM, 0, 11003},
        {-12345, 0, 11003},
    };
    for (const auto& r : rows)
        EXPECT_EQ(wsaErrorFromAddrInfo(r.eai, r.err), r.code) << r.eai;
}
