// CWinPrt: life, set-up and failure reports.

#include "typestone/engine/win_prt.h"
#include "typestone/engine/pdf_doc.h"

#include "platform/draw/tee_dc.h"

#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"
#include "typestone/engine/error_text.h"
#include "typestone/engine/font_mapper.h"
#include "typestone/engine/job_strings.h"

#include "klv_inet/support/msg_dlg.h"

#include <cstring>

namespace typestone {

CWinPrt::CWinPrt(const CommandTable* table)
    : m_table(table != nullptr ? table : &CommandTable::builtIn()),
      m_pFMap(std::make_unique<CFontMapper>(this, 1, nullptr))
{
    SetConfig(nullptr, false);
}

CWinPrt::~CWinPrt()
{
    if (IsDocStarted() && m_device)
        m_device->abortDoc();
    // The font mapper must not be left drawing on the capture's tee.
    if (m_tee)
        m_pFMap->SetDc(m_device ? m_device->dc() : nullptr);
    m_tee.reset();
    m_pPDFDoc.reset();
    m_pFMap.reset();
}

void CWinPrt::SetFontEngine(platform::draw::FontEngine* engine)
{
    m_pFMap->SetFontEngine(engine);
}

void CWinPrt::Setup()
{
    for (int b = 0; b < 256; ++b)
        m_wTransTbl[b] = static_cast<uint16_t>(b);
    const auto& bytes = CommandTable::controlBytes();
    for (size_t row = 0; row < kControlRows; ++row)
        m_wTransTbl[bytes[row]] = static_cast<uint16_t>(((0x80u | row) << 8) | bytes[row]);
    m_framer.m_bLiteralNext = false;
}

platform::draw::Dc* CWinPrt::Dc() const
{
    if (m_tee)
        return m_tee.get();
    return m_device ? m_device->dc() : nullptr;
}

bool CWinPrt::IsAborted()
{
    if (m_stop.abort || m_stop.m_bCanceled.load() || m_stop.stopping.load())
        return true;
    if (!m_stop.cancelPressed)
        return false;
    m_stop.cancelPressed = false;
    if (!confirmCancel())
        return false;
    m_stop.m_bCanceled = true;
    return true;
}

bool CWinPrt::confirmCancel()
{
    // With messages off nobody may be asked: the press alone cancels.
    if (m_stop.abortConfirmed || !CMsgDlg::AreMsgsEnabled())
        return true;
    platform::ui::MessageBoxRequest box;
    box.text = platform::text::sprintf(hostString(kStrAbortJob, kAbortJobText).c_str(), m_jobName,
                                       FieldText(m_InitData.printer));
    box.caption = m_jobName.empty() ? "Typestone" : m_jobName;
    box.style = platform::ui::kMbYesNo | platform::ui::kMbDefButton2 | platform::ui::kMbIconQuestion;
    box.timeoutMs = 60000;
    const int answer = m_host->Ui().messageBox(box);
    Trace(kTrzJobs, "\nCWinPrt: abort question for '%s' -> %d", m_jobName, answer);
    if (answer == platform::ui::kIdYes) {
        m_stop.abortConfirmed = true;
        return true;
    }
    // No, or no answer at all: the job goes on, and Cancel can be pressed again.
    m_host->Ui().clearProgressCancel(m_progressId);
    return false;
}

std::string CWinPrt::hostString(unsigned id, const char* fallback) const
{
    std::string text;
    if (!m_host->StringText(id, &text) || text.empty())
        text = fallback;
    return text;
}

int CWinPrt::showError(const std::string& text, int code, unsigned type)
{
    if (code != 0)
        m_wError = static_cast<uint16_t>(code);
    Trace(kTrzJobs, "\nCWinPrt::showError(code=%d): %s", code, text);
    const std::string message =
        ErrorText(code, text, [this](unsigned id, const char* fallback) { return hostString(id, fallback); });
    logged(m_printLog.error(message));
    // No box: the caller must not read this as a person's answer (a failed command would
    // otherwise abort a job nobody was asked about).
    if (!m_bShowMsgs)
        return kErrorNotShown;
    platform::ui::MessageBoxRequest box;
    box.text = message;
    box.caption = m_jobName.empty() ? "Typestone" : m_jobName;
    box.style = type | platform::ui::kMbIconExclamation;
    box.timeoutMs = 60000;
    return m_host->Ui().messageBox(box);
}

void CWinPrt::logged(bool ok)
{
    if (ok || !m_printLog.isOn())
        return;
    const std::string name = m_printLog.path();
    const int cause = m_printLog.lastFailure();
    // Off first: the report below must not try the log again, and one failure says it all.
    m_printLog.setPath(std::string());
    const std::string text = platform::text::sprintf(
        hostString(kStrLogOpenFailed, kLogOpenFailedText).c_str(), static_cast<unsigned>(cause), name);
    Trace(kTrzJobs, "\nCWinPrt: %s", text);
    if (m_bShowMsgs)
        showError(text);
}

void CWinPrt::showUnsupported(const std::string& description, uint16_t required)
{
    UnsupportedCommandReport report;
    report.title = "CWinPrt::ExecCmd()-Text Processor";
    report.message = description;
    report.required = required;
    report.supported = kEscSupportedVersion;
    if (m_bShowMsgs && !m_ignoreUnsupported) {
        if (m_host->ShowUnsuppDlg(report))
            m_ignoreUnsupported = true;
    } else if (m_host->TraceOn(kTrzCore)) {
        m_host->TraceText(UnsupportedTraceLine(report));
    }
}

} // namespace typestone
