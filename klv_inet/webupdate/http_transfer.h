#pragma once
// HTTP GET into a file and HTTP POST of form data, each on the calling thread with its own
// network session and event loop, so worker threads can call them. Every transfer ends: the
// peer's close, a stall longer than the stall time-out, a cancel, or an overall bound.

#include "klv_inet/support/klv_export.h"

#include <cstdint>
#include <functional>
#include <string>

namespace klv {

// Result codes of a download.
inline constexpr int kDlCancelled = -1;
inline constexpr int kDlOk = 0;
inline constexpr int kDlNotHttp = 1;  // not an http or https URL
inline constexpr int kDlInternet = 2; // connection, request, an answer other than 2xx, reading
inline constexpr int kDlShort = 3;    // fewer bytes than expected
// A local file failure gives its file error number (>= 100, so it never meets the codes above).
inline constexpr int kDlFileErrorBase = 100;

struct DownloadOptions
{
    uint64_t expectedSize = 0; // replaced by the server's content length when it gives one
    // true: the file is replaced by what arrived; false: it is appended behind a banner.
    bool fresh = true;
    uint64_t maxBytes = uint64_t(1) << 31; // a larger answer is refused (code 2)
    int stallTimeoutMs = 30000;            // no byte for this long ends the transfer (code 2)
    std::string agent;                     // User-Agent; empty: the application name
    // Polled about every 50 ms and after each chunk; true cancels (code -1).
    std::function<bool()> cancelled;
    // After each chunk (received, expected) and once when the content length is known (0, it).
    std::function<void(uint64_t received, uint64_t expected)> progress;
};

struct DownloadResult
{
    int code = kDlInternet;
    std::string error; // always ends with "-(DLoaded:%u, Total:%u)"
    uint64_t received = 0;
    uint64_t expected = 0;
    int httpStatus = 0;
};

// GET `url` into `file`. The bytes go to "<file>.part" (made new, never an existing file)
// and reach `file` only when the whole answer arrived with a 2xx status, so an error page or a
// broken transfer never becomes the file; nothing of a failed transfer is left behind.
KLV_EXPORT DownloadResult httpDownload(const std::string& url, const std::string& file,
                                       const DownloadOptions& options);

struct PostOptions
{
    std::string agent;
    int timeoutMs = 30000; // the whole exchange
    std::function<bool()> cancelled;
};

// POSTs `body` (already form-encoded) as application/x-www-form-urlencoded. True only when the
// server answered with a 2xx status.
KLV_EXPORT bool httpPost(const std::string& url, const std::string& body, const PostOptions& options,
                         int* httpStatus = nullptr, std::string* error = nullptr);

// True for an http or https URL with a host.
KLV_EXPORT bool isHttpUrl(const std::string& url);

} // namespace klv
