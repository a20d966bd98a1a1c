#pragma once
// The transfer of a list of files, one CTransferFile after the other, with one progress for
// the whole list and one result code at the end. It runs on the job's worker thread and has no
// window of its own: the progress goes to a progress display of the UI bridge (widgets on the
// GUI thread in desktop mode, TypestoneUI in service mode), whose Cancel ends the exchange in
// progress. Result codes: 0 all moved; 500 cancelled; 502, 503, 504, 506, 507 for the list's
// codes 2, 3, 4, 6, 7; 501 for any other (a list without entries among them).

#include "typestone/server/transfer_file.h"
#include "typestone/server/transfer_progress.h"

#include "platform/ui/ui_requests.h"

#include <cstdint>
#include <vector>

namespace platform::ui {
class UiBridge;
}

namespace typestone {

class PacketClock;
class PacketLink;

class CTransferDlg
{
public:
    CTransferDlg(PacketLink& link, platform::ui::UiBridge& ui, PacketClock& clock,
                 std::vector<TransferRequest> entries, uint64_t totalBytes = 0);
    ~CTransferDlg();
    CTransferDlg(const CTransferDlg&) = delete;
    CTransferDlg& operator=(const CTransferDlg&) = delete;

    // Runs the whole list; true when it ended with every entry handled (false: cancelled).
    bool Run();
    uint16_t ResultCode() const { return MapResultCode(m_code, m_cancelled); }
    unsigned Failures() const { return m_failures; }
    TransferProgress& Progress() { return m_progress; }

    // The list's code as the dialog reports it.
    static uint16_t MapResultCode(uint16_t code, bool cancelled);

private:
    void openDisplay();
    void show(const TransferProgress& progress);
    bool askContinue(const TransferRequest& failed, size_t left);

    PacketLink& m_link;
    platform::ui::UiBridge& m_ui;
    PacketClock& m_clock;
    std::vector<TransferRequest> m_entries;
    TransferProgress m_progress;
    platform::ui::ProgressId m_display = platform::ui::kNoProgress;
    int m_shownPercent = -2;
    int64_t m_shownSecond = -1;
    uint16_t m_code = 0;
    bool m_cancelled = false;
    unsigned m_failures = 0;
};

} // namespace typestone
