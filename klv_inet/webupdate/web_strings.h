#pragma once
// Numbers of the web update's strings in the library's table (internal).

namespace klv::webstr {

inline constexpr unsigned kQueryAgain = 461;
inline constexpr unsigned kContinueDownload = 462;
inline constexpr unsigned kContinueInstall = 463;
inline constexpr unsigned kInstallNow = 464;
inline constexpr unsigned kDownloading = 465;
inline constexpr unsigned kUnknownVersion = 466;
inline constexpr unsigned kExitWhileDownloading = 467;
inline constexpr unsigned kNothingNewer = 475;
inline constexpr unsigned kQueryFailed = 476;
inline constexpr unsigned kInstallFileMissing = 479;
inline constexpr unsigned kNotConfigured = 480;
inline constexpr unsigned kDownloadKept = 481;
inline constexpr unsigned kDownloadMismatch = 482;
inline constexpr unsigned kSaveCopyAs = 483;
inline constexpr unsigned kLabelProduct = 8000; // 8000 to 8005: the product dialog's labels

} // namespace klv::webstr
