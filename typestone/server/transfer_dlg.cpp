#include "typestone/server/transfer_dlg.h"

#include "typestone/server/packet_link.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/transfer_strings.h"

#include "platform/text/sprintf.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

namespace typestone {

CTransferDlg::CTransferDlg(PacketLink& link, platform::ui::UiBridge& ui, PacketClock& clock,
                           std::vector<TransferRequest> entries, uint64_t totalBytes)
    : m_link(link), m_ui(ui), m_clock(clock), m_entries(std::move(entries)), m_progress(clock, totalBytes)
{
    m_progress.setObserver([this](const TransferProgress& p) { show(p); });
    m_progress.setCancelSource(
        [this] { return m_display != platform::ui::kNoProgress && m_ui.progressCancelled(m_display); });
    m_link.setCancelCheck([this] { return m_progress.cancelled(); });
}

CTransferDlg::~CTransferDlg()
{
    m_link.setCancelCheck({});
    if (m_display != platform::ui::kNoProgress)
        m_ui.closeProgress(m_display);
}

uint16_t CTransferDlg::MapResultCode(uint16_t code, bool cancelled)
{
    switch (code) {
    case 0:
        return cancelled ? 500 : 0;
    case 2:
    case 3:
    case 4:
    case 6:
    case 7:
        return uint16_t(500 + code);
    default:
        return cancelled ? 500 : 501;
    }
}

void CTransferDlg::openDisplay()
{
    platform::ui::ProgressRequest request;
    request.caption = transferString(kStrTransferTitle, "Transferring... ");
    request.lines.push_back(platform::text::sprintf(
        transferString(kStrDownloading, "Downloading the file '%s'").c_str(), m_entries.front().source));
    m_display = m_ui.openProgress(request);
}

void CTransferDlg::show(const TransferProgress& p)
{
    if (m_display == platform::ui::kNoProgress)
        return;
    // One update per new percentage or second: the display may be in another program.
    if (p.percent() == m_shownPercent && p.elapsedSeconds() == m_shownSecond)
        return;
    m_shownPercent = p.percent();
    m_shownSecond = p.elapsedSeconds();
    platform::ui::ProgressState state;
    state.lines.push_back(platform::text::sprintf(
        transferString(kStrDownloading, "Downloading the file '%s'").c_str(), p.source()));
    state.lines.push_back(p.statusLine());
    state.percent = p.percent();
    state.status = platform::text::sprintf("%llu bps", static_cast<unsigned long long>(p.rateBps()));
    m_ui.updateProgress(m_display, state);
}

bool CTransferDlg::askContinue(const TransferRequest& failed, size_t left)
{
    platform::ui::MessageBoxRequest box;
    box.caption = "Typestone";
    box.style = platform::ui::kMbOkCancel | platform::ui::kMbIconQuestion;
    box.text = fillPlaceholders(m_cancelled ? "Transmission\n\tFrom:\t%1\n\tTo:\t%2\nwas canceled."
                                            : "Transfer \n\tFrom:\t%1\n\tTo:\t%2\nfailed.",
                                {failed.source, failed.target}) +
               "\n\n" +
               fillPlaceholders("%1 files are pending transfer.\nOk to continue with the next transfer?",
                                {std::to_string(left)});
    return m_ui.messageBox(box) == platform::ui::kIdOk;
}

bool CTransferDlg::Run()
{
    if (m_entries.empty()) {
        m_code = 1;
        return true;
    }
    openDisplay();
    bool pending = false;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (pending) {
            if (!askContinue(m_entries[i - 1], m_entries.size() - i)) {
                m_cancelled = true;
                return false;
            }
            pending = false;
            m_cancelled = false;
        }
        CTransferFile file(m_link, m_progress, m_entries[i]);
        const bool ok = file.Execute();
        if (file.Options() & kXferEndList) {
            m_cancelled = true;
            if (!ok)
                m_code = file.ResultCode();
            return false;
        }
        if (!ok) {
            m_cancelled = file.Cancelled();
            m_code = file.ShowResult(m_ui);
            ++m_failures;
            pending = true;
            m_progress.fileFailed(file.HostSize(), 0);
        } else {
            m_progress.skipped(0);
        }
    }
    return !m_cancelled;
}

} // namespace typestone
