#include "platform/spooler/cups_connection.h"

namespace platform::spooler {

namespace {

// Called by libcups when a connection made no progress for kIoTimeoutSeconds: give up.
int giveUp(http_t*, void*)
{
    return 0;
}

} // namespace

CupsConnection::~CupsConnection()
{
    close();
    if (m_info)
        cupsFreeDestInfo(m_info);
    if (m_dest)
        cupsFreeDests(1, m_dest);
}

bool CupsConnection::connect(std::string* error)
{
    if (m_http)
        return true;
    const char* server = cupsServer();
    m_http =
        httpConnect2(server, ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectTimeoutMs, nullptr);
    if (!m_http) {
        if (error)
            *error = lastError(std::string("cannot connect to the CUPS server ") + (server ? server : "?"));
        return false;
    }
    httpSetTimeout(m_http, kIoTimeoutSeconds, giveUp, nullptr);
    return true;
}

bool CupsConnection::open(const std::string& printer, std::string* error)
{
    if (!connect(error))
        return false;
    if (printer.empty() || printer.size() > 127 ||
        printer.find_first_of("/#\\ \t\r\n") != std::string::npos) {
        if (error)
            *error = "invalid CUPS printer name \"" + printer + "\"";
        return false;
    }
    m_dest = cupsGetNamedDest(m_http, printer.c_str(), nullptr);
    if (!m_dest) {
        if (error)
            *error = lastError("no CUPS printer \"" + printer + "\"");
        return false;
    }
    return true;
}

cups_dinfo_t* CupsConnection::info(std::string* error)
{
    if (!m_info && m_http && m_dest) {
        m_info = cupsCopyDestInfo(m_http, m_dest);
        if (!m_info && error)
            *error = lastError(std::string("cannot read the settings of printer ") + m_dest->name);
    }
    return m_info;
}

void CupsConnection::close()
{
    if (m_http) {
        httpClose(m_http);
        m_http = nullptr;
    }
}

std::string CupsConnection::jobName(const std::string& documentName)
{
    std::string out;
    size_t i = 0;
    const size_t n = documentName.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(documentName[i]);
        size_t length = 1;
        bool valid = true;
        if (c >= 0x80) {
            length = c >= 0xf0 && c <= 0xf4 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 && c <= 0xdf ? 2 : 0;
            valid = length > 0 && i + length <= n;
            for (size_t k = 1; valid && k < length; ++k)
                valid = (static_cast<unsigned char>(documentName[i + k]) & 0xc0) == 0x80;
            if (!valid)
                length = 1;
        }
        std::string piece;
        if (!valid)
            piece = "?";
        else if (c < 0x20 || c == 0x7f)
            piece = " ";
        else
            piece = documentName.substr(i, length);
        if (out.size() + piece.size() > 255)
            break;
        out += piece;
        i += length;
    }
    return out.empty() ? "Untitled" : out;
}

std::string CupsConnection::lastError(const std::string& what)
{
    const char* text = cupsLastErrorString();
    return what + ": " + (text && *text ? text : "unknown error");
}

} // namespace platform::spooler
