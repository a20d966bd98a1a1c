#include "klv_inet/support/work4wts.h"

#include "klv_inet/support/library_text.h"
#include "klv_inet/support/wts_session_info_source.h"
#include "platform/text/sprintf.h"
#include "platform/ui/message_box.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

std::string CWork4WTS::m_szInitialProgram;
std::string CWork4WTS::m_szApplicationName;
std::string CWork4WTS::m_szWorkingDirectory;
std::string CWork4WTS::m_szOEMId;
uint32_t CWork4WTS::m_dwSessionId = 0;
std::string CWork4WTS::m_szUserName;
std::string CWork4WTS::m_szWinStationName;
std::string CWork4WTS::m_szDomainName;
int32_t CWork4WTS::m_nConnectState = 0;
uint32_t CWork4WTS::m_dwClientBuildNumber = 0;
std::string CWork4WTS::m_szClientName;
std::string CWork4WTS::m_szClientDirectory;
uint16_t CWork4WTS::m_wClientProductId = 0;
uint32_t CWork4WTS::m_dwClientHardwareId = 0;
WtsClientAddress CWork4WTS::m_wtsClientAddress;
WtsClientDisplay CWork4WTS::m_wtsClientDisplay;
uint16_t CWork4WTS::m_wClientProtocolType = 0;
uint32_t CWork4WTS::m_dwInit = 0;

namespace {

using Bytes = std::vector<unsigned char>;

std::mutex g_infoLock;
klv::WtsSessionInfoSource* g_source = nullptr;

klv::WtsSessionInfoSource& source()
{
    return g_source ? *g_source : klv::systemWtsSessionInfoSource();
}

std::string text(const Bytes& d)
{
    const auto* p = reinterpret_cast<const char*>(d.data());
    return std::string(p, strnlen(p, d.size()));
}

template <typename T> void copyFixed(T& member, const Bytes& d)
{
    std::memcpy(&member, d.data(), sizeof member);
}

struct AuxWtsInfo
{
    int infoClass;
    const char* name;
    uint32_t bit;
    size_t size; // 0 for a text item
    void (*store)(const Bytes&);
};

// One row per information class, in class order.
const AuxWtsInfo _AUX_WTS_INFO[] = {
    {0, "WTSInitialProgram", 1u << 0, 0, [](const Bytes& d) { CWork4WTS::m_szInitialProgram = text(d); }},
    {1, "WTSApplicationName", 1u << 1, 0, [](const Bytes& d) { CWork4WTS::m_szApplicationName = text(d); }},
    {2, "WTSWorkingDirectory", 1u << 2, 0, [](const Bytes& d) { CWork4WTS::m_szWorkingDirectory = text(d); }},
    {3, "WTSOEMId", 1u << 3, 0, [](const Bytes& d) { CWork4WTS::m_szOEMId = text(d); }},
    {4, "WTSSessionId", 1u << 4, 4, [](const Bytes& d) { copyFixed(CWork4WTS::m_dwSessionId, d); }},
    {5, "WTSUserName", 1u << 5, 0, [](const Bytes& d) { CWork4WTS::m_szUserName = text(d); }},
    {6, "WTSWinStationName", 1u << 6, 0, [](const Bytes& d) { CWork4WTS::m_szWinStationName = text(d); }},
    {7, "WTSDomainName", 1u << 7, 0, [](const Bytes& d) { CWork4WTS::m_szDomainName = text(d); }},
    {8, "WTSConnectState", 1u << 8, 4, [](const Bytes& d) { copyFixed(CWork4WTS::m_nConnectState, d); }},
    {9, "WTSClientBuildNumber", 1u << 9, 4,
     [](const Bytes& d) { copyFixed(CWork4WTS::m_dwClientBuildNumber, d); }},
    {10, "WTSClientName", 1u << 10, 0, [](const Bytes& d) { CWork4WTS::m_szClientName = text(d); }},
    {11, "WTSClientDirectory", 1u << 11, 0, [](const Bytes& d) { CWork4WTS::m_szClientDirectory = text(d); }},
    {12, "WTSClientProductId", 1u << 12, 2,
     [](const Bytes& d) { copyFixed(CWork4WTS::m_wClientProductId, d); }},
    {13, "WTSClientHardwareId", 1u << 13, 4,
     [](const Bytes& d) { copyFixed(CWork4WTS::m_dwClientHardwareId, d); }},
    {14, "WTSClientAddress", 1u << 14, 24,
     [](const Bytes& d) { copyFixed(CWork4WTS::m_wtsClientAddress, d); }},
    {15, "WTSClientDisplay", 1u << 15, 12,
     [](const Bytes& d) { copyFixed(CWork4WTS::m_wtsClientDisplay, d); }},
    {16, "WTSClientProtocolType", 1u << 16, 2,
     [](const Bytes& d) { copyFixed(CWork4WTS::m_wClientProtocolType, d); }},
};

static_assert(sizeof(WtsClientAddress) == 24 && sizeof(WtsClientDisplay) == 12);

constexpr uint32_t kAllItems = (1u << 17) - 1;

int readItems(uint32_t bits)
{
    if ((CWork4WTS::m_dwInit & bits) == bits)
        return 1;
    auto& src = source();
    if (!src.open())
        return 0;
    int result = 0;
    for (const auto& row : _AUX_WTS_INFO) {
        if (!(bits & row.bit))
            continue;
        Bytes data;
        result = src.query(row.infoClass, data) ? 1 : 0;
        if (!result)
            continue;
        if (row.size == 0 || data.size() == row.size)
            row.store(data);
        CWork4WTS::m_dwInit |= row.bit;
    }
    return result;
}

} // namespace

CWork4WTS::~CWork4WTS() = default;

void CWork4WTS::SetSessionInfoSource(klv::WtsSessionInfoSource* src)
{
    std::lock_guard<std::mutex> g(g_infoLock);
    g_source = src;
    m_dwInit = 0;
    m_szInitialProgram = m_szApplicationName = m_szWorkingDirectory = m_szOEMId = std::string();
    m_szUserName = m_szWinStationName = m_szDomainName = m_szClientName = m_szClientDirectory = std::string();
    m_dwSessionId = m_dwClientBuildNumber = m_dwClientHardwareId = 0;
    m_nConnectState = 0;
    m_wClientProductId = m_wClientProtocolType = 0;
    m_wtsClientAddress = WtsClientAddress{};
    m_wtsClientDisplay = WtsClientDisplay{};
}

int CWork4WTS::GetClientInfo(uint32_t bits)
{
    std::lock_guard<std::mutex> g(g_infoLock);
    return readItems(bits);
}

int CWork4WTS::GetSessionId(uint32_t* id)
{
    if (!id)
        return 0;
    std::lock_guard<std::mutex> g(g_infoLock);
    readItems(1u << 4);
    if (!(m_dwInit & (1u << 4)))
        return 0;
    *id = m_dwSessionId;
    return 1;
}

void CWork4WTS::GetAllClientInfo(std::string& out)
{
    std::lock_guard<std::mutex> g(g_infoLock);
    readItems(kAllItems);
    const char* family = "AF_UNSPEC";
    switch (m_wtsClientAddress.addressFamily) {
    case 2:
        family = "AF_INET";
        break;
    case 6:
        family = "AF_IPX";
        break;
    case 17:
        family = "AF_NETBIOS";
        break;
    default:
        break;
    }
    std::string address;
    for (uint8_t b : m_wtsClientAddress.address)
        address += platform::text::sprintf(" %02x", b);
    out += "\nInitialProgram='" + m_szInitialProgram + "'";
    out += "\nApplicationName='" + m_szApplicationName + "'";
    out += "\nOEMId='" + m_szOEMId + "'";
    out += platform::text::sprintf("\ndwSessionId='%08x'(%u)", m_dwSessionId, m_dwSessionId);
    out += "\nUserName='" + m_szUserName + "'";
    out += "\nWinStationName='" + m_szWinStationName + "'";
    out += "\nDomainName='" + m_szDomainName + "'";
    out += platform::text::sprintf("\nConnectState='%u'", static_cast<unsigned>(m_nConnectState));
    out += platform::text::sprintf("\nClientBuildNumber='%08x'(%u)", m_dwClientBuildNumber,
                                   m_dwClientBuildNumber);
    out += "\nClientName='" + m_szClientName + "'";
    out += "\nWorkingDirectory='" + m_szWorkingDirectory + "'";
    out += "\nClientDirectory='" + m_szClientDirectory + "'";
    out += platform::text::sprintf("\nClientProductId='%04x'(%u)", unsigned{m_wClientProductId},
                                   unsigned{m_wClientProductId});
    out +=
        platform::text::sprintf("\nClientHardwareId='%08x'(%u)", m_dwClientHardwareId, m_dwClientHardwareId);
    out += platform::text::sprintf("\nClientAddress: (%s) [%s]", family, address.c_str());
    out += platform::text::sprintf("\nClientDisplay: (w=%u, h=%u, colorDepth=%u)",
                                   m_wtsClientDisplay.horizontalResolution,
                                   m_wtsClientDisplay.verticalResolution, m_wtsClientDisplay.colorDepth);
    out += platform::text::sprintf("\nClientProtocolType='%04x'(%u)", unsigned{m_wClientProtocolType},
                                   unsigned{m_wClientProtocolType});
}

void CWork4WTS::ShowAllClientInfo()
{
    std::string text;
    GetAllClientInfo(text);
    klv::libraryMessage(text, platform::ui::kMbOk);
}

int CWork4WTS::IsWTS_Client()
{
    return 0;
}

int CWork4WTS::IsTerminalServicesEnabled()
{
    return 0;
}

int CWork4WTS::SetClientId(uint16_t* id, int)
{
    // Outside remote sessions and without terminal services every program is client 0.
    if (id)
        *id = 0;
    return 1;
}

int CWork4WTS::ResetClientId(uint16_t)
{
    return 1;
}

void CWork4WTS::ShowAllWTSClients()
{
    klv::libraryMessage("Not WTS client", platform::ui::kMbOk);
}

int GetSessionId(uint32_t* id)
{
    return CWork4WTS::GetSessionId(id);
}
