#pragma once
// One connection to the CUPS scheduler, with the destination it is used for (internal to
// platform/spooler). Every job and query opens its own, so threads never share libcups state
// beyond libcups' own per-thread globals.

#include <cups/cups.h>

#include <string>

namespace platform::spooler {

class CupsConnection
{
public:
    CupsConnection() = default;
    ~CupsConnection();

    CupsConnection(const CupsConnection&) = delete;
    CupsConnection& operator=(const CupsConnection&) = delete;

    // Connects to cupsServer(); waits at most kConnectTimeoutMs, and any later read or write
    // on the connection gives up after kIoTimeoutSeconds without progress.
    bool connect(std::string* error);

    // Connects and looks up `printer`.
    bool open(const std::string& printer, std::string* error);

    // The printer's capabilities and defaults (fetched once).
    cups_dinfo_t* info(std::string* error);

    // Ends the connection at once, also in the middle of a request; the destination stays.
    void close();

    http_t* http() const { return m_http; }
    cups_dest_t* dest() const { return m_dest; }

    // A job title CUPS accepts: valid UTF-8 (other bytes become '?'), no control characters,
    // at most 255 bytes; "Untitled" when empty.
    static std::string jobName(const std::string& documentName);

    // True for the successful IPP status codes.
    static bool succeeded(ipp_status_t status) { return status <= IPP_STATUS_OK_EVENTS_COMPLETE; }

    // "<what>: <libcups' last error text>".
    static std::string lastError(const std::string& what);

    static constexpr int kConnectTimeoutMs = 10000;
    static constexpr double kIoTimeoutSeconds = 30.0;

private:
    http_t* m_http = nullptr;
    cups_dest_t* m_dest = nullptr;
    cups_dinfo_t* m_info = nullptr;
};

} // namespace platform::spooler
