// Recorded page actions: recording the stream's bytes and commands under a page range, and
// playing them at the top of the pages the range selects; records printed into table rows.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/job_strings.h"
#include "typestone/engine/win_prt.h"

#include <array>
#include <cstring>

namespace typestone {

void CWinPrt::recordByte(uint8_t byte)
{
    if (!m_pageActions.RecordByte(byte))
        recordingStopped();
}

void CWinPrt::keepAction(std::unique_ptr<CPageAction> action)
{
    if (!m_pageActions.Record(std::move(action)))
        recordingStopped();
}

void CWinPrt::recordingStopped()
{
    Trace(kTrzAlways,
          "\nCWinPrt: the recorded page actions reached their limit of %u bytes: recording stopped, "
          "%u actions kept",
          static_cast<unsigned>(m_pageActions.Limit()), static_cast<unsigned>(m_pageActions.Count()));
}

bool CWinPrt::PlayPageActions(unsigned page)
{
    if (IsPlaying4Page())
        return false;
    if (m_pageActions.Empty())
        return true;

    // What the stream was doing waits until the actions have played: a block being framed, the
    // literal-next byte and text not yet handed on come back afterwards, so the page reads
    // header, text carried over from the last page, then the stream's own text.
    Framer outer = std::move(m_framer);
    m_framer = Framer{};
    logged(m_printLog.playing(true));
    Trace(kTrzJobs, "\nPlayPageActions(START) page %u, %u actions", page,
          static_cast<unsigned>(m_pageActions.Count()));

    TextLayout* layout = m_pFMap ? m_pFMap->Layout() : nullptr;
    if (layout)
        layout->BeginPageActions();
    m_runMode = RunMode::Playing4Page;

    const auto savedProgress = m_progress.save();
    const std::string savedLine = m_progressLine;
    if (m_progressId != 0) {
        m_progressLine = hostString(kStrPlayingActions, kPlayingActionsText);
        showProgressLine(m_lastPercent);
    }
    m_progress.start(m_pageActions.Count());

    bool ok = true;
    for (size_t i = 0; i < m_pageActions.Count() && ok && !IsAborted();) {
        const CPageAction& action = m_pageActions.At(i);
        if (action.PlaysOn(page)) {
            if (action.IsCommand()) {
                std::array<uint8_t, kEscHeaderSize> header{};
                std::memcpy(header.data(), action.Header(), kEscHeaderSize);
                m_framer.m_params = action.Params();
                m_framer.m_nParamCount = static_cast<uint32_t>(action.Params().size());
                ok = ExecCmd(header.data());
            } else {
                const std::string text = action.Text();
                ok = PrintData(text.data(), text.size(), false);
            }
            ++i;
        } else if (action.FinishedFor(page)) {
            m_pageActions.RemoveAt(i);
        } else {
            ++i;
        }
        m_progress.add(1);
    }

    m_runMode = RunMode::Printing;
    std::string carried = layout ? layout->EndPageActions() : std::string();
    if (ok)
        m_progress.finish();
    m_progress.restore(savedProgress);
    if (m_progressId != 0) {
        m_progressLine = savedLine;
        showProgressLine(savedProgress.lastSent);
    }

    // The text the page break cut off goes on after the header. It was converted when it
    // first came, so the mapper prints it as it is.
    const size_t lead = carried.find_first_not_of(' ');
    carried.erase(0, lead == std::string::npos ? carried.size() : lead);
    if (!carried.empty() && ensureTextRoom(carried.size())) {
        std::memcpy(m_framer.m_pCache.data(), carried.data(), carried.size());
        m_framer.m_ixCache = carried.size();
        m_pFMap->SetNotNeedConversion(true);
        FlushData();
        m_pFMap->SetNotNeedConversion(false);
    }
    m_framer = std::move(outer);

    Trace(kTrzJobs, "\nPlayPageActions(END) page %u -> %s", page, ok ? "true" : "false");
    logged(m_printLog.playing(false));
    return ok;
}

bool CWinPrt::PrintRecord(const std::string& text, uint8_t separator, bool* inTable)
{
    if (inTable)
        *inTable = false;
    if (!IsPageStarted() && !StartPage())
        return false;
    TextLayout* layout = m_pFMap ? m_pFMap->Layout() : nullptr;
    if (layout && layout->PrintRecordInRow(Dc(), text, static_cast<char>(separator))) {
        if (inTable)
            *inTable = true;
        return true;
    }
    return PrintData(text.data(), text.size(), false);
}

} // namespace typestone
