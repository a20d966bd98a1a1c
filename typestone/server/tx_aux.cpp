#include "typestone/server/tx_aux.h"

#include "typestone/server/host_name_map.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/transfer_dlg.h"

namespace typestone {

CTxAux::CTxAux(PacketLink& link, platform::ui::UiBridge& ui, PacketClock& clock, const std::string& source,
               const std::string& target, uint16_t hostWord, bool download)
    : m_link(link), m_ui(ui), m_clock(clock), m_hostWord(hostWord)
{
    BuildList(source, target, download);
}

void CTxAux::BuildList(const std::string& source, const std::string& target, bool download)
{
    m_entries.clear();
    if (source.empty() || source.find_first_of("*?#@") != std::string::npos)
        return;
    const auto mapped = download ? MapHostName(source, target) : MapWindowsName(source, target);
    if (!mapped) {
        TRZ_Trace(kTrzCore, "\nBuildList(%s, %s): the name cannot be mapped", source, target);
        return;
    }
    TransferRequest entry;
    entry.download = download;
    entry.source = source;
    entry.target = *mapped;
    entry.hostWord = m_hostWord;
    m_entries.push_back(entry);
}

bool CTxAux::Run(uint16_t* result, uint8_t mode, bool removeSource)
{
    if (m_entries.empty()) {
        *result = 502;
        return false;
    }
    for (auto& entry : m_entries) {
        entry.mode = mode;
        entry.options = removeSource ? uint16_t(kXferOverwrite | kXferRemoveSource) : kXferOverwrite;
    }
    CTransferDlg dialog(m_link, m_ui, m_clock, m_entries);
    dialog.Run();
    *result = dialog.ResultCode();
    return *result == 0;
}

} // namespace typestone
