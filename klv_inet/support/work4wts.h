#pragma once
// Session knowledge of the library: the session id, the client information of the session,
// the per-session temporary folder and the UUIDs the machine identity is read from.
//
// Every trace, log and scratch file of the programs lies in the per-session temporary folder:
// the system's temporary folder followed by "WTS_<session id>/", a private folder (0700, owned
// by this user, never a symbolic link).

#include "klv_inet/support/klv_export.h"
#include "klv_inet/support/uuid.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace klv {
class WtsSessionInfoSource;
}

struct WtsClientAddress
{
    uint32_t addressFamily = 0;
    uint8_t address[20] = {};
};

struct WtsClientDisplay
{
    uint32_t horizontalResolution = 0;
    uint32_t verticalResolution = 0;
    uint32_t colorDepth = 0;
};

class KLV_EXPORT CWork4WTS
{
public:
    CWork4WTS() = default;
    virtual ~CWork4WTS();

    // The per-session temporary folder with its trailing '/', copied into `buffer` when it is
    // shorter than `size`; returns its length, or 0 (buffer untouched) when it does not fit or
    // the folder is not a safe private folder.
    static uint32_t GetTempPathA(uint32_t size, char* buffer);

    // Appends "WTS_<id>/" to the path (ending it with '/' first) and makes that folder private.
    // A null buffer, a result that does not fit `capacity`, an unreadable session id or a
    // folder that cannot be made private leave the path unchanged. Returns the buffer.
    static char* SubDir4WTSClient(char* path, size_t capacity);
    static bool SubDir4WTSClient(std::string& path);

    // 1 with the session id of the process; 0 for a null pointer or when it cannot be read.
    static int GetSessionId(uint32_t* id);

    // Reads the requested items (bits 1 << information class) that were not read yet. Returns
    // 1 when all were read before, else the result of the last item queried (0 when no session
    // information can be had).
    static int GetClientInfo(uint32_t bits);

    // All items as "\nName='value'" lines, appended to out.
    static void GetAllClientInfo(std::string& out);
    static void ShowAllClientInfo();

    // No remote sessions and no terminal services exist here.
    static int IsWTS_Client();
    static int IsTerminalServicesEnabled();

    // 1 when the stored product suite list (settings store, local machine,
    // "System\CurrentControlSet\Control\ProductOptions" "ProductSuite") holds `suite` exactly.
    static int ValidateProductSuite(const char* suite);

    // A time-based UUID whose node is the machine's adapter address (status kUuidOk), or, with
    // no usable adapter, a random one (kUuidLocalOnly).
    static int UuidCreate(klv::Uuid* uuid);
    static int UuidCreateSequential(klv::Uuid* uuid, int* status);

    // Client ids of the session: outside remote sessions every program is client 0.
    int SetClientId(uint16_t* id, int mode);
    int ResetClientId(uint16_t id);
    void ShowAllWTSClients();

    // Takes session information from `source` (null: the system's) and forgets what was read.
    static void SetSessionInfoSource(klv::WtsSessionInfoSource* source);

    static std::string m_szInitialProgram;
    static std::string m_szApplicationName;
    static std::string m_szWorkingDirectory;
    static std::string m_szOEMId;
    static uint32_t m_dwSessionId;
    static std::string m_szUserName;
    static std::string m_szWinStationName;
    static std::string m_szDomainName;
    static int32_t m_nConnectState;
    static uint32_t m_dwClientBuildNumber;
    static std::string m_szClientName;
    static std::string m_szClientDirectory;
    static uint16_t m_wClientProductId;
    static uint32_t m_dwClientHardwareId;
    static WtsClientAddress m_wtsClientAddress;
    static WtsClientDisplay m_wtsClientDisplay;
    static uint16_t m_wClientProtocolType;
    static uint32_t m_dwInit;
};

// The same as CWork4WTS::GetSessionId.
KLV_EXPORT int GetSessionId(uint32_t* id);

// CWork4WTS::GetTempPathA into a buffer of `capacity` bytes (callers pass 260); returns it.
KLV_EXPORT char* GetSessionTempPath(char* buffer, size_t capacity = 260);

// The per-session temporary folder with its trailing '/'; empty when it is not safe to use.
KLV_EXPORT std::string GetSessionTempPath();
