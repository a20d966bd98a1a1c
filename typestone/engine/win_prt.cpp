// CWinPrt: life, set-up and failure reports.

#include "typestone/engine/win_prt.h"

#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"
#include "typestone/engine/font_mapper.h"

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

void CWinPrt::SetConfig(const INIT_DATA* record, bool showMessages)
{
    m_InitData = record != nullptr ? *record : DefaultInitData();
    m_bShowMsgs = showMessages;
    Setup();
}

platform::draw::Dc* CWinPrt::Dc() const
{
    return m_device ? m_device->dc() : nullptr;
}

bool CWinPrt::IsAborted()
{
    return m_stop.abort || m_stop.m_bCanceled.load() || m_stop.stopping.load();
}

int CWinPrt::showError(const std::string& text, uint16_t code, unsigned type)
{
    if (code != 0)
        m_wError = code;
    Trace(kTrzJobs, "\nCWinPrt::showError(code=%u): %s", code, text);
    if (!m_bShowMsgs)
        return platform::ui::kIdNo;
    platform::ui::MessageBoxRequest box;
    box.text = text;
    box.caption = m_jobName.empty() ? "Typestone" : m_jobName;
    box.style = type | platform::ui::kMbIconExclamation;
    box.timeoutMs = 60000;
    return m_host->Ui().messageBox(box);
}

void CWinPrt::showUnsupported(const std::string& description, uint16_t required)
{
    const char* title = "CWinPrt::ExecCmd()-Text Processor";
    Trace(kTrzJobs, "\nERROR----\n%s\n%s\n-------\n", title, description);
    if (!m_bShowMsgs)
        return;
    std::string text = m_host->VersionText();
    text += "\n\n";
    text += description;
    if (required != 0 && required > kEscSupportedVersion) {
        text += "\n\n";
        text += platform::text::sprintf("Command Version: Required=%u.%02u, Supported=%u.%02u",
                                        required / 100u, required % 100u, kEscSupportedVersion / 100u,
                                        kEscSupportedVersion % 100u);
    }
    platform::ui::MessageBoxRequest box;
    box.text = text;
    box.caption = "Error: Unsupported Command";
    box.style = platform::ui::kMbOk | platform::ui::kMbIconExclamation;
    // A job never waits on a person for long.
    box.timeoutMs = 30000;
    m_host->Ui().messageBox(box);
}

} // namespace typestone
