#include "typestone/server/transfer_file.h"

#include "typestone/server/packet_codes.h"
#include "typestone/server/packet_link.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/transfer_progress.h"
#include "typestone/server/transfer_strings.h"

#include "platform/fileio/file.h"
#include "platform/fileio/file_ops.h"
#include "platform/text/sprintf.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

namespace typestone {
namespace {

uint16_t get16(const std::vector<uint8_t>& b, size_t at)
{
    return at + 2 <= b.size() ? uint16_t(b[at] | (b[at + 1] << 8)) : 0;
}

uint32_t get32(const std::vector<uint8_t>& b, size_t at)
{
    if (at + 4 > b.size())
        return 0;
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

uint32_t nowSeconds()
{
    return uint32_t(std::time(nullptr));
}

// A date before 1980 is not a date a file can have: the current time stands for it.
uint32_t checkedDate(uint32_t date)
{
    return date < kEarliestFileDate ? nowSeconds() : date;
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string fileOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// How long the host may send nothing in the middle of a file before the connection counts as
// failed.
constexpr int kStallMs = PacketLink::kAnswerTimeMs;
// How long a broken download waits for the host to close the connection.
constexpr int kDrainMs = 5000;
constexpr int kPollMs = 100;

} // namespace

CTransferFile::CTransferFile(PacketLink& link, TransferProgress& progress, const TransferRequest& request)
    : m_link(link), m_progress(progress), m_request(request), m_options(request.options)
{
    // The host's name goes back as the host spelled it.
    m_hostName = request.download ? request.source : request.target;
}

bool CTransferFile::fail(uint16_t code)
{
    m_code = code;
    return false;
}

bool CTransferFile::linkFailed(int status)
{
    switch (PacketStatus(status)) {
    case PacketStatus::Ok:
        return true;
    case PacketStatus::Cancelled:
        m_cancelled = true;
        return fail(kXferNoAnswer);
    case PacketStatus::Closed:
        return fail(kXferLinkFailed);
    case PacketStatus::NoAnswer:
        break;
    }
    return fail(kXferNoAnswer);
}

bool CTransferFile::Execute()
{
    m_progress.startFile(m_request.source, m_request.target);
    const bool ok = m_request.download ? Download() : Upload();
    if (!ok) {
        if (m_code == 0)
            m_code = 1;
        Abort();
    }
    TRZ_Trace(kTrzCore, "\nExecute(): bRc=%s (%u)", ok ? "OK" : "Error", unsigned(m_code));
    return ok;
}

bool CTransferFile::CheckTarget()
{
    const std::string& local = m_request.download ? m_request.target : m_request.source;
    const auto info = platform::fileio::fileInfo(local);
    m_localSize = info.exists ? info.size : 0;
    m_localDate = info.exists ? int64_t(info.modified) : 0;
    if (!m_request.download && !info.regular)
        return fail(kXferFileError + 2);

    std::vector<uint8_t> answer;
    const auto status = m_link.exchange(EncodeFileExist(m_request.hostWord, m_hostName, 0, false), &answer,
                                        kFileExistAnswerSize);
    if (!linkFailed(int(status)))
        return false;
    const uint16_t result = get16(answer, 0);
    const uint32_t size = get32(answer, 2);
    const uint32_t date = get32(answer, 6);
    const uint8_t type = answer.size() > 11 ? answer[11] : 0;
    bool targetExists = false;
    if (m_request.download) {
        if (result != 0)
            return fail(result);
        if (size == 0)
            return fail(kXferNotFound);
        if (type != kSequentialFile)
            return fail(kXferNotSequential);
        m_hostSize = size;
        m_hostDate = checkedDate(date);
        targetExists = m_localSize != 0;
    } else {
        targetExists = result == 0 && size != 0;
        m_hostSize = result == 0 ? size : 0;
    }
    if (!targetExists)
        return true;
    if (m_options & kXferAskOverwrite)
        m_options = uint16_t((m_options | kXferOverwrite) & ~kXferAskOverwrite);
    if (m_options & kXferStopList)
        m_options |= kXferEndList;
    if (!(m_options & kXferOverwrite)) {
        m_progress.skipped(m_request.download ? m_hostSize : m_localSize);
        return fail(kXferTargetExists);
    }
    return true;
}

bool CTransferFile::Download()
{
    if (!CheckTarget())
        return false;
    std::vector<uint8_t> status;
    if (!linkFailed(
            int(m_link.exchange(EncodeOpen(m_request.hostWord, m_hostName), &status, kFileStatusSize))))
        return false;
    if (get16(status, 0) != 0)
        return fail(get16(status, 0));
    if (status[11] != kSequentialFile) {
        closeHostFile(0);
        return fail(kXferNotSequential);
    }
    m_hostSize = get32(status, 2);
    m_hostDate = checkedDate(get32(status, 6));
    if (m_hostSize == 0) {
        closeHostFile(0);
        return fail(kXferNotFound);
    }

    // The bytes go to a file beside the target that takes its place only when it is whole.
    m_localTemp =
        platform::fileio::makeTempFile(folderOf(m_request.target), "." + fileOf(m_request.target) + ".");
    if (m_localTemp.empty()) {
        const int cause = platform::fileio::fileErrorCause(errno);
        closeHostFile(0);
        return fail(uint16_t(kXferFileError + cause));
    }
    m_targetOpened = true;
    m_progress.fileSize(m_hostSize);
    if (!ReceiveData(0)) {
        if (!m_link.isClosed())
            closeHostFile(0);
        return false;
    }

    closeHostFile(0);
    std::error_code ec;
    std::filesystem::rename(m_localTemp, m_request.target, ec);
    if (ec)
        return fail(uint16_t(kXferFileError + platform::fileio::fileErrorCause(ec.value())));
    m_localTemp.clear();
    m_targetOpened = false;
    if (m_options & kXferRemoveSource) {
        std::vector<uint8_t> erased;
        m_link.exchange(EncodeErase(m_request.hostWord, m_hostName), &erased, kResultAnswerSize);
    }
    platform::fileio::setModifiedTime(m_request.target, m_hostDate);
    const auto info = platform::fileio::fileInfo(m_request.target);
    const int64_t off = int64_t(info.modified) - int64_t(m_hostDate);
    if (off > 60 || off < -60)
        platform::fileio::setModifiedTime(m_request.target, nowSeconds());
    TRZ_Trace(kTrzCore, "\nDownload(%s -> %s): %s", m_request.source, m_request.target,
              transferString(kStrSuccess, "Successfully transferred."));
    return true;
}

bool CTransferFile::ReceiveData(uint64_t offset)
{
    std::vector<uint8_t> answer;
    if (!linkFailed(int(m_link.exchange(EncodeRead(uint32_t(offset), uint32_t(m_hostSize - offset)), &answer,
                                        kReadAnswerSize))))
        return false;
    if (get16(answer, 0) != 0)
        return fail(get16(answer, 0));

    platform::fileio::File out;
    if (!out.openWriteExclusive(m_localTemp)) {
        const int cause = platform::fileio::fileErrorCause(errno);
        notifyBroken();
        return fail(uint16_t(kXferFileError + cause));
    }
    const auto& tables = CurrentTransferTables();
    std::vector<uint8_t> block(kBlockSize);
    std::string converted;
    uint64_t received = offset;
    int64_t stallDeadline = m_link.clockMs() + kStallMs;
    while (received < m_hostSize) {
        if (m_progress.cancelled()) {
            m_link.cancel();
            m_cancelled = true;
            m_progress.cancelledDuring(received);
            m_code = kXferLinkFailed;
            break;
        }
        // Never more than the rest of the file: what follows it is the host's next packet.
        const size_t want = size_t(std::min<uint64_t>(kBlockSize, m_hostSize - received));
        const long long got = m_link.receiveRaw(block.data(), want, kPollMs);
        if (got < 0) {
            m_code = kXferLinkFailed;
            break;
        }
        if (got == 0) {
            if (m_link.clockMs() >= stallDeadline) {
                TRZ_Trace(kTrzCore, "\nReceiveData(%s): nothing from the host for %d s", m_request.source,
                          kStallMs / 1000);
                m_code = kXferLinkFailed;
                break;
            }
            continue;
        }
        stallDeadline = m_link.clockMs() + kStallMs;
        received += uint64_t(got);
        m_progress.progress(uint64_t(got), received);
        converted.clear();
        HostToWindowsText(tables, m_request.mode, block.data(), size_t(got), &converted);
        if (!out.write(converted.data(), converted.size())) {
            m_code = uint16_t(kXferFileError + platform::fileio::fileErrorCause(errno));
            break;
        }
    }
    out.close();
    if (received < m_hostSize) {
        if (m_code == 0)
            m_code = kXferLinkFailed;
        notifyBroken();
        return false;
    }
    return true;
}

void CTransferFile::notifyBroken()
{
    TRZ_Trace(kTrzCore, "\nTransferring error: notifying the host (%u)", unsigned(m_code));
    m_link.sendOnly(EncodeXferNotify(m_code), true);
    if (m_code == kXferLinkFailed || m_link.isClosed())
        return;
    m_link.drain(kDrainMs);
}

void CTransferFile::closeHostFile(uint32_t date)
{
    std::vector<uint8_t> answer;
    if (m_cancelled || m_link.isCancelled())
        m_link.sendOnly(EncodeClose(m_request.hostWord, m_hostName, date), true);
    else
        m_link.exchange(EncodeClose(m_request.hostWord, m_hostName, date), &answer, kResultAnswerSize);
}

bool CTransferFile::Upload()
{
    if (!CheckTarget())
        return false;
    std::vector<uint8_t> answer;
    if (!linkFailed(int(m_link.exchange(EncodeCreate(m_request.hostWord, m_hostName, uint32_t(m_localSize)),
                                        &answer, kResultAnswerSize))))
        return false;
    if (get16(answer, 0) != 0)
        return fail(get16(answer, 0));
    m_targetOpened = true;
    if (!SendData()) {
        closeHostFile(0);
        return false;
    }
    closeHostFile(uint32_t(m_localDate));
    m_targetOpened = false;
    if (m_options & kXferRemoveSource) {
        std::error_code ec;
        std::filesystem::remove(m_request.source, ec);
    }
    return true;
}

bool CTransferFile::SendData()
{
    const auto& tables = CurrentTransferTables();
    std::vector<uint8_t> block(kBlockSize);
    std::string converted;
    // In a text mode the host gets the converted size.
    uint64_t total = m_localSize;
    platform::fileio::File in;
    if (m_request.mode != kXferRaw) {
        if (!in.openRead(m_request.source))
            return fail(uint16_t(kXferFileError + platform::fileio::fileErrorCause(errno)));
        total = 0;
        for (;;) {
            const long long n = in.read(block.data(), block.size());
            if (n < 0)
                return fail(uint16_t(kXferFileError + platform::fileio::fileErrorCause(errno)));
            if (n == 0)
                break;
            converted.clear();
            WindowsToHostText(tables, m_request.mode, block.data(), size_t(n), &converted);
            total += converted.size();
        }
        in.close();
    }
    if (total > UINT32_MAX)
        return fail(kXferFileError + 13);
    std::vector<uint8_t> answer;
    if (!linkFailed(int(m_link.exchange(EncodeWrite(uint32_t(total)), &answer, kResultAnswerSize))))
        return false;
    if (get16(answer, 0) != 0)
        return fail(get16(answer, 0));
    m_progress.fileSize(total);
    if (!in.openRead(m_request.source))
        return fail(uint16_t(kXferFileError + platform::fileio::fileErrorCause(errno)));
    uint64_t sent = 0;
    for (;;) {
        const long long n = in.read(block.data(), block.size());
        if (n < 0)
            return fail(uint16_t(kXferFileError + platform::fileio::fileErrorCause(errno)));
        if (n == 0)
            break;
        converted.clear();
        WindowsToHostText(tables, m_request.mode, block.data(), size_t(n), &converted);
        if (sent + converted.size() > total)
            return fail(kXferFileError + 1); // the file grew meanwhile
        if (const uint16_t notice = m_link.pollNotify(); notice != 0)
            return fail(notice);
        if (m_progress.cancelled()) {
            m_link.cancel();
            m_cancelled = true;
            m_progress.cancelledDuring(sent);
            return fail(kXferLinkFailed);
        }
        if (!m_link.sendRaw(converted.data(), converted.size()))
            return fail(kXferLinkFailed);
        sent += converted.size();
        m_progress.progress(converted.size(), sent);
    }
    if (sent != total)
        return fail(kXferFileError + 14);
    if (!linkFailed(int(m_link.awaitAnswer(CMD_TYP_WRITE, &answer, kResultAnswerSize))))
        return false;
    const uint16_t result = get16(answer, 0);
    if (result == 0 || (result == 3773 && m_request.mode != kXferRaw))
        return true;
    return fail(result);
}

void CTransferFile::Abort()
{
    if (m_request.download) {
        if (!m_localTemp.empty()) {
            std::error_code ec;
            std::filesystem::remove(m_localTemp, ec);
            m_localTemp.clear();
        }
        return;
    }
    if (!m_targetOpened || m_link.isClosed())
        return;
    std::vector<uint8_t> answer;
    m_link.exchange(EncodeErase(m_request.hostWord, m_hostName), &answer, kResultAnswerSize);
}

std::string CTransferFile::ResultText(uint16_t code)
{
    if (code == kXferTargetExists)
        return transferString(kStrTargetExists,
                              "File was not transferred because target file already exists.");
    if (code == kXferNoAnswer)
        return transferString(kStrHostNoAnswer,
                              "\nServer doesn't answer. Check the physical connection and this server.");
    const unsigned id = code < 117 ? kStrHostErrorBase + code : code;
    std::string text = transferString(id, "");
    if (text.empty())
        text = platform::text::sprintf(
            transferString(kStrTransferFailed, "File transference failed (%u)").c_str(), unsigned(code));
    return text;
}

uint16_t CTransferFile::ShowResult(platform::ui::UiBridge& ui) const
{
    if (m_cancelled)
        return 500;
    platform::ui::MessageBoxRequest box;
    box.caption = "Typestone";
    box.style = platform::ui::kMbOk | platform::ui::kMbIconExclamation;
    box.text = fillPlaceholders(transferString(kStrSourceTarget, "Source file:  %1 \nTarget file:  %2"),
                                {m_request.source, m_request.target}) +
               "\n" + ResultText(m_code);
    TRZ_Trace(kTrzCore, "\nShowResult: %s", box.text);
    ui.messageBox(box);
    switch (m_code) {
    case kXferLinkFailed:
        return 4;
    case 22:
        return 6;
    case kXferOk:
    case kXferTargetExists:
    case kXferNoAnswer:
        return m_code;
    default:
        return m_request.download ? 6 : 2;
    }
}

} // namespace typestone
