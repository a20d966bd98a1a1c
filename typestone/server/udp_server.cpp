#include "typestone/server/udp_server.h"

#include "typestone/server/server_trace.h"
#include "typestone/server/status_messages.h"
#include "typestone/server/udp_actions.h"

#include "klv_inet/support/app_name.h"
#include "klv_inet/support/reg_entry.h"

#include "platform/bytes/le_reader.h"
#include "platform/net/udp.h"

#include <QString>
#include <QSysInfo>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace typestone {
namespace {

constexpr size_t kHeaderSize = 6;

void writeU16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void writeU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

// The text of a field [offset, offset + width) cut at its first NUL and at the datagram's end.
std::string field(const uint8_t* data, size_t size, size_t offset, size_t width)
{
    if (offset >= size)
        return std::string();
    const size_t available = std::min(width, size - offset);
    const uint8_t* begin = data + offset;
    const uint8_t* end = std::find(begin, begin + available, uint8_t(0));
    return std::string(reinterpret_cast<const char*>(begin), size_t(end - begin));
}

bool startsWithNoCase(const std::string& text, const std::string& prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// The section lies at or under `base`.
bool isUnder(const std::string& section, const std::string& base)
{
    return startsWithNoCase(section, base) && (section.size() == base.size() || section[base.size()] == '\\');
}

// Only the application's own settings may be written from outside: its branch under the
// users' defaults or under the current user, nothing of the system or of other programs.
bool ownSettings(const std::string& section, uint32_t rootKey, platform::RegRoot* root)
{
    const std::string app = GetAppName();
    if (section.find("..") != std::string::npos)
        return false;
    if (rootKey == 0x80000003u && isUnder(section, ".DEFAULT\\Software\\KLV\\" + app)) {
        *root = platform::RegRoot::Users;
        return true;
    }
    if (rootKey == 0x80000001u && isUnder(section, "Software\\KLV\\" + app)) {
        *root = platform::RegRoot::CurrentUser;
        return true;
    }
    return false;
}

} // namespace

CASUDPTypestone::CASUDPTypestone(UdpActions& actions) : m_actions(actions) {}

bool CASUDPTypestone::Bind(const std::string& address, uint16_t port, std::string* error)
{
    platform::net::SocketResult bound = platform::net::bindUdp(address, port, false);
    if (!bound.ok()) {
        if (error)
            *error = bound.error.text;
        return false;
    }
    m_socket = std::move(bound.socket);
    m_port = bound.local.port;
    return true;
}

void CASUDPTypestone::Close()
{
    m_socket.close();
    m_port = 0;
}

bool CASUDPTypestone::IsControlCommand(uint16_t command)
{
    return command >= kFirstControlCommand && command <= kLastControlCommand;
}

bool CASUDPTypestone::AcceptControlFrom(const platform::net::Endpoint& from)
{
    return platform::net::isLoopback(from.address);
}

void CASUDPTypestone::OnReceive(int nErrorCode)
{
    TRZ_Trace(kTrzCore, "Entra CASUDPTypestone::OnReceive");
    if (nErrorCode != 0 || !m_socket.isValid())
        return;
    if (m_buffer.size() != kMaxDatagram)
        m_buffer.assign(kMaxDatagram, 0);
    // Everything waiting is taken now; the notifier calls again when more arrives.
    for (int i = 0; i < 64; ++i) {
        platform::net::DatagramResult got =
            platform::net::receiveFrom(m_socket, m_buffer.data(), m_buffer.size(), 0);
        if (!got.ok())
            break;
        const std::vector<uint8_t> answer = Dispatch(m_buffer.data(), got.bytes, got.from);
        if (!answer.empty())
            platform::net::sendTo(m_socket, answer.data(), answer.size(), got.from);
    }
    TRZ_Trace(kTrzCore, "Sale CASUDPTypestone::OnReceive");
}

std::vector<uint8_t> CASUDPTypestone::reply(uint16_t command, size_t totalSize, uint16_t dataLength) const
{
    std::vector<uint8_t> out(totalSize, 0);
    writeU16(out.data(), command);
    writeU16(out.data() + 2, m_sequence);
    writeU16(out.data() + 4, dataLength);
    return out;
}

std::vector<uint8_t> CASUDPTypestone::Dispatch(const uint8_t* data, size_t size,
                                               const platform::net::Endpoint& from)
{
    if (!data || size < kHeaderSize)
        return {};
    platform::bytes::LeReader header(data, size);
    const uint16_t command = header.u16();
    const uint16_t sequence = header.u16();
    TRZ_Trace(kTrzCore, "OnReceive(3): cmd %04x\n", command);
    if (IsControlCommand(command)) {
        // Hosts may query; only TypestoneUI on this machine may control, and only a service.
        if (!m_actions.IsServiceMode() || !AcceptControlFrom(from) || !m_actions.MayControl(from))
            return {};
    }
    if ((command == CMD_WHO || command == CMD_PRTLIST) && !m_answerLimit.Allow(from.address)) {
        if (m_answerLimit.FirstRefusal())
            TRZ_Trace(kTrzCore, "\nOnReceive(3): answers to %s limited", from.address);
        return {};
    }
    m_sequence = sequence;
    switch (command) {
    case CMD_WHO:
        return AnswerWho();
    case CMD_PRTLIST:
        return AnswerPrtList();
    case CMD_CHKPRINTER:
        return AnswerChkPrinter(data, size);
    case SCM_PAUSE_MSG:
    case SCM_CONTINUE_MSG:
    case SCM_STOP_MSG:
    case CMD_RELOADCFG:
    case CMD_SETDBGOPTIONS:
    case CMD_GETDBGOPTIONS:
        m_actions.PostControl(command);
        return {};
    case CMD_AUTOSTART_ON:
    case CMD_AUTOSTART_OFF:
        m_actions.SetAutoStart(command == CMD_AUTOSTART_ON);
        return {};
    case CMD_GETAUTOSTART:
        return AnswerAutoStart();
    case CMD_TOGGLETRACER:
        m_actions.ToggleTracer();
        return {};
    case CMD_TOGGLETIMING:
        m_actions.ToggleTiming();
        return {};
    case CMD_SETREGISTRYENTRY:
        return AnswerSetRegistryEntry(data, size);
    default:
        return {};
    }
}

std::vector<uint8_t> CASUDPTypestone::AnswerWho()
{
    const std::string name = QSysInfo::machineHostName().toStdString();
    if (name.empty())
        return {};
    std::vector<uint8_t> out = reply(CMD_WHO, kWhoReplySize, 255);
    std::memcpy(out.data() + kHeaderSize, name.data(), std::min<size_t>(name.size(), 254));
    return out;
}

std::vector<uint8_t> CASUDPTypestone::AnswerPrtList()
{
    std::vector<uint8_t> out = reply(CMD_PRTLIST, kListReplySize, 0);
    size_t used = 0;
    const uint16_t count =
        m_actions.ListPrinters(reinterpret_cast<char*>(out.data() + 9), kListNameBytes, &used);
    writeU16(out.data() + 4, uint16_t(used + 2));
    writeU16(out.data() + 6, count);
    return out;
}

std::vector<uint8_t> CASUDPTypestone::AnswerChkPrinter(const uint8_t* data, size_t size)
{
    const std::string printer = field(data, size, 6, 255);
    const std::string password = field(data, size, 261, 255);
    const uint16_t code = m_actions.CheckPrinter(printer, password);
    std::vector<uint8_t> out = reply(CMD_CHKPRINTER, 8, 2);
    writeU16(out.data() + 6, code);
    return out;
}

std::vector<uint8_t> CASUDPTypestone::AnswerAutoStart()
{
    std::vector<uint8_t> out = reply(CMD_GETAUTOSTART, 10, 4);
    writeU32(out.data() + 6, m_actions.GetAutoStart() ? 1u : 0u);
    return out;
}

std::vector<uint8_t> CASUDPTypestone::AnswerSetRegistryEntry(const uint8_t* data, size_t size)
{
    constexpr size_t kValueOffset = 274;
    std::vector<uint8_t> out = reply(CMD_SETREGISTRYENTRY, 10, 4);
    if (size < kValueOffset)
        return out; // result 0: nothing written
    const std::string section = field(data, size, 6, 128);
    const std::string entry = field(data, size, 134, 128);
    platform::bytes::LeReader fields(data, size);
    fields.seek(262);
    const int32_t length = fields.i32();
    const uint32_t type = fields.u32();
    const uint32_t rootKey = fields.u32();
    platform::RegRoot root = platform::RegRoot::Users;
    if (section.empty() || entry.empty() || length < 0 || !ownSettings(section, rootKey, &root)) {
        TRZ_Trace(kTrzCore,
                  "\nOnReceive(CMD_SETREGISTRYENTRY): refused szSection='%s' szEntry ='%s' hKey=%08x",
                  section.c_str(), entry.c_str(), rootKey);
        return out;
    }
    const size_t valueBytes = std::min(size_t(length), size - kValueOffset);
    const uint8_t* value = data + kValueOffset;
    if (type == KLV_REG_SZ || type == KLV_REG_EXPAND_SZ) {
        // A text ends at its NUL or at the datagram's end, whichever comes first.
        const std::string text = field(data, size, kValueOffset, valueBytes == 0 ? size : valueBytes);
        TRZ_Trace(kTrzCore,
                  "\nOnReceive(CMD_SETREGISTRYENTRY): szSection='%s' szEntry ='%s' pVal = '%s'(%d) dwType=%d "
                  "hKey=%08x",
                  section.c_str(), entry.c_str(), text.c_str(), int(length), int(type), rootKey);
        // TypestoneUI is told "done" only when the store kept the value.
        if (!klv::writeRegistryEntry(section.c_str(), entry.c_str(), text.c_str(), uint32_t(text.size() + 1),
                                     type, root))
            return out;
    } else {
        if (!klv::writeRegistryEntry(section.c_str(), entry.c_str(), value, uint32_t(valueBytes), type, root))
            return out;
    }
    writeU32(out.data() + 6, 1);
    return out;
}

} // namespace typestone
