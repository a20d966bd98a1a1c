#pragma once
// One file moved between the host and this machine over the job's data connection: a
// download (host file to a local file) or an upload (local file to a host file). It checks
// the target, opens both files, moves the bytes (converting text when asked), closes both and
// sets the file's time, and turns every failure into a result code:
//   0 success, 1-22 the host's error, 2 an empty host file, 3 a target that cannot be
//   completed, 7 the target exists, 23 the data connection failed, 100 + cause a local file
//   error, 115 not a sequential host file, 50999 the host did not answer.
// A failed download leaves no partial local file; a failed upload erases the partial host file.

#include "typestone/server/transfer_tables.h"

#include <cstdint>
#include <string>

namespace platform::ui {
class UiBridge;
}

namespace typestone {

class PacketLink;
class TransferProgress;

// Options of a transfer.
inline constexpr uint16_t kXferOverwrite = 0x0001;
inline constexpr uint16_t kXferStopList = 0x0004;
inline constexpr uint16_t kXferRemoveSource = 0x0008;
inline constexpr uint16_t kXferComplete = 0x0010;
inline constexpr uint16_t kXferAskOverwrite = 0x0080;
inline constexpr uint16_t kXferEndList = 0x8000;

// Result codes of a file transfer.
inline constexpr uint16_t kXferOk = 0;
inline constexpr uint16_t kXferNotFound = 2;
inline constexpr uint16_t kXferCannotComplete = 3;
inline constexpr uint16_t kXferTargetExists = 7;
inline constexpr uint16_t kXferLinkFailed = 23;
inline constexpr uint16_t kXferFileError = 100; // + cause
inline constexpr uint16_t kXferNotSequential = 115;
inline constexpr uint16_t kXferNotCreatable = 116;
inline constexpr uint16_t kXferNoAnswer = 50999;

// The earliest plausible file date (1 January 1980); earlier ones count as unknown.
inline constexpr uint32_t kEarliestFileDate = 315532800;

struct TransferRequest
{
    bool download = true;
    // A download's source and an upload's target are host file names in the host's own
    // character set; the other side is a local path.
    std::string source;
    std::string target;
    uint16_t hostWord = 0;
    uint8_t mode = kXferRaw;
    uint16_t options = kXferOverwrite;
};

class CTransferFile
{
public:
    CTransferFile(PacketLink& link, TransferProgress& progress, const TransferRequest& request);

    static constexpr size_t kBlockSize = 16384;

    // True when the file was moved (result code 0).
    bool Execute();
    uint16_t ResultCode() const { return m_code; }
    bool Cancelled() const { return m_cancelled; }
    // The options after the transfer (it may set kXferEndList).
    uint16_t Options() const { return m_options; }
    // The host file's size and date as the host gave them.
    uint32_t HostSize() const { return m_hostSize; }
    uint32_t HostDate() const { return m_hostDate; }

    // Tells the person why the transfer failed (nothing when it was cancelled) and gives the
    // code the transfer list counts: 500 cancelled; 23 -> 4, 22 -> 6; 0, 7 and 50999 as they
    // are; any other 6 for a download, 2 for an upload.
    uint16_t ShowResult(platform::ui::UiBridge& ui) const;
    // The text of a result code.
    static std::string ResultText(uint16_t code);

private:
    bool Download();
    bool Upload();
    bool CheckTarget();
    bool ReceiveData(uint64_t offset);
    bool SendData();
    void Abort();
    bool fail(uint16_t code);
    // A status of the link as a result: false with the code set.
    bool linkFailed(int status);
    void closeHostFile(uint32_t date);
    void notifyBroken();

    PacketLink& m_link;
    TransferProgress& m_progress;
    TransferRequest m_request;
    std::string m_hostName; // the host file's name, in the host's character set
    uint16_t m_options;
    uint16_t m_code = 0;
    bool m_cancelled = false;
    bool m_targetOpened = false;
    uint32_t m_hostSize = 0;
    uint32_t m_hostDate = 0;
    uint8_t m_hostType = 0;
    uint64_t m_localSize = 0;
    int64_t m_localDate = 0;
    std::string m_localTemp; // a download writes here, renamed over the target at the end
};

} // namespace typestone
