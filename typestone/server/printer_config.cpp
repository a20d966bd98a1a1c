// CPrinter: the printer list, the checks and the dialog's values.

#include "typestone/server/printer_config.h"

#include "typestone/server/server_trace.h"
#include "typestone/server/store_failure.h"

#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"

#include "platform/settings/settings_store.h"
#include "platform/spooler/spooler.h"
#include "platform/ui/ui_bridge.h"

#include <cstring>

namespace typestone {
namespace {

bool sameNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && platform::foldName(a) == platform::foldName(b);
}

bool readFlag(const char* name, bool dflt)
{
    std::string section;
    FormSection(section, "General");
    char buf[32] = {};
    uint32_t size = sizeof buf;
    if (!GetRegistryEntry(section.c_str(), name, buf, &size))
        return dflt;
    return platform::foldName(std::string(buf, strnlen(buf, sizeof buf))) == "yes";
}

void writeFlag(const char* name, bool on)
{
    std::string section;
    FormSection(section, "General");
    SetRegistryEntry(section.c_str(), name, on ? "yes" : "no", 0, KLV_REG_SZ);
}

} // namespace

CPrinter::CPrinter(platform::spooler::Spooler* spooler, bool useDns, uint16_t servicePort, uint16_t auxPort)
    : m_spooler(spooler)
{
    SetDlgValues(useDns, servicePort, auxPort);
}

CPrinter::~CPrinter()
{
    if (ClosedWithOk())
        SaveAllPrtCfg();
}

void CPrinter::SetDlgValues(bool useDns, uint16_t servicePort, uint16_t auxPort)
{
    std::lock_guard<std::mutex> lock(m_valuesMutex);
    m_values.jobLogging = readFlag("JobLogging", false);
    m_values.messagesEnabled = CMsgDlg::AreMsgsEnabled() != 0;
    if (!m_values.messagesEnabled)
        m_values.progressMode = kProgressDisabled;
    else
        m_values.progressMode = readFlag("MinPrtProgress", true) ? kProgressMinimized : kProgressNormal;
    m_values.useDns = useDns;
    m_values.servicePort = servicePort;
    m_values.auxPort = auxPort;
}

CPrinter::DialogValues CPrinter::GetDlgValues() const
{
    std::lock_guard<std::mutex> lock(m_valuesMutex);
    return m_values;
}

void CPrinter::OnDialogOk(const DialogValues& values)
{
    {
        std::lock_guard<std::mutex> lock(m_valuesMutex);
        m_closedWithOk = true;
        m_values = values;
        m_values.messagesEnabled = values.progressMode != kProgressDisabled;
    }
    SaveAllPrtCfg();
    const bool messages = values.progressMode != kProgressDisabled;
    if (messages)
        writeFlag("MinPrtProgress", values.progressMode == kProgressMinimized);
    CMsgDlg::EnableMsgs(messages ? 1 : 0);
}

void CPrinter::OnDialogCancel()
{
    std::lock_guard<std::mutex> lock(m_valuesMutex);
    m_closedWithOk = false;
}

bool CPrinter::ClosedWithOk() const
{
    std::lock_guard<std::mutex> lock(m_valuesMutex);
    return m_closedWithOk;
}

PRTCFG* CPrinter::findLocked(const std::string& name)
{
    if (name.empty())
        return nullptr;
    for (PRTCFG& record : m_list)
        if (sameNoCase(record.printerName, name))
            return &record;
    return nullptr;
}

std::optional<PRTCFG> CPrinter::FindPrtCfg(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const PRTCFG* record = const_cast<CPrinter*>(this)->findLocked(name);
    if (!record)
        return std::nullopt;
    return *record;
}

std::vector<PRTCFG> CPrinter::Records() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_list;
}

bool CPrinter::ReplacePrtCfg(const PRTCFG& record)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    PRTCFG* existing = findLocked(record.printerName);
    if (!existing)
        return false;
    *existing = record;
    // Chosen by a person: saved with the others from now on.
    m_unread.erase(platform::foldName(record.printerName));
    return true;
}

bool CPrinter::IsPrtShared(const PRTCFG* record, std::string* shareName)
{
    if (!record)
        return false;
    if (shareName)
        *shareName = record->shareName;
    return record->bShared;
}

bool CPrinter::IsPrtShared(const std::string& name, std::string* shareName) const
{
    if (name.empty())
        return false;
    std::optional<PRTCFG> record = FindPrtCfg(name);
    return IsPrtShared(record ? &*record : nullptr, shareName);
}

bool CPrinter::ChkPassword(const PRTCFG* record, const char* password, bool* shared,
                           std::string* storedPassword)
{
    if (shared)
        *shared = false;
    const std::string stored = record ? record->Password() : std::string();
    if (record && shared)
        *shared = record->bShared;
    if (storedPassword)
        *storedPassword = stored;
    const std::string given = password ? std::string(password, strnlen(password, 8)) : std::string();
    if (given.empty() && stored.empty())
        return true;
    return !given.empty() && !stored.empty() && sameNoCase(given, stored);
}

void CPrinter::AddInstPrinter(const std::string& printerName, std::optional<DevMode> devMode,
                              std::optional<DevNames> devNames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    addInstPrinterLocked(printerName, std::move(devMode), std::move(devNames));
}

void CPrinter::addInstPrinterLocked(const std::string& printerName, std::optional<DevMode> devMode,
                                    std::optional<DevNames> devNames)
{
    if (PRTCFG* existing = findLocked(printerName)) {
        existing->installed = true;
        return;
    }
    PRTCFG record;
    std::string failure;
    const LoadResult loaded = loadRecord(printerName, &record, &failure);
    const bool stored = loaded == LoadResult::Missing && hasStoredRecord(printerName, &failure);
    if (!failure.empty()) {
        // The store did not answer: the printer keeps what it was last known to be, or stays
        // away from the hosts, and nothing of this is written over the store's record.
        ReportStoreFailure("reading the configuration of printer '" + printerName + "'", failure);
        std::optional<PRTCFG> last = lastGood(printerName);
        record = last ? *last : PRTCFG{};
        record.printerName = printerName;
        if (!last) {
            record.bShared = false;
            record.devMode = std::move(devMode);
            record.devNames = std::move(devNames);
        }
        m_unread.insert(platform::foldName(printerName));
    } else if (loaded != LoadResult::Loaded) {
        // A printer seen for the first time is offered to the hosts, without a password. One
        // whose stored record exists but cannot be read whole (a value missing, too long) may
        // have had a password or no share at all: it stays unshared until it is shared again.
        record = PRTCFG{};
        record.printerName = printerName;
        record.bShared = !stored;
        record.devMode = std::move(devMode);
        record.devNames = std::move(devNames);
        if (!stored)
            m_new.insert(platform::foldName(printerName));
    }
    record.installed = true;
    m_list.push_back(std::move(record));
}

uint16_t CPrinter::RefreshPrinters(char* buffer, size_t size, size_t* used, bool showProgress)
{
    std::lock_guard<std::mutex> refresh(m_refreshMutex);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_list.clear();
        m_unread.clear();
        m_new.clear();
    }
    platform::ui::ProgressId progress = platform::ui::kNoProgress;
    if (showProgress) {
        platform::ui::ProgressRequest request;
        request.caption = "Printers Configuration...";
        request.lines = {"Checking out the Printers Configuration.", "One moment, please..."};
        progress = platform::ui::bridge().openProgress(request);
    }

    uint16_t count = 0;
    std::string error;
    const std::vector<platform::spooler::PrinterInfo> printers =
        m_spooler ? m_spooler->printers(&error) : std::vector<platform::spooler::PrinterInfo>();
    if (printers.empty() && !error.empty())
        TRZ_Trace(kTrzCore, "\nRefreshPrinters: %s", error.c_str());
    for (const platform::spooler::PrinterInfo& info : printers) {
        if (progress != platform::ui::kNoProgress) {
            platform::ui::ProgressState state;
            state.lines = {"Checking out the Printers Configuration.", info.name};
            platform::ui::bridge().updateProgress(progress, state);
        }
        DevMode mode;
        DevNames names;
        if (!DriverSettings(info.name, &mode, &names))
            continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        addInstPrinterLocked(info.name, std::move(mode), std::move(names));
        std::string shareName;
        if (buffer && used && IsPrtShared(findLocked(info.name), &shareName)) {
            const size_t need = info.name.size() + shareName.size() + 2;
            if (*used + need < size) {
                std::memcpy(buffer + *used, info.name.c_str(), info.name.size() + 1);
                *used += info.name.size() + 1;
                std::memcpy(buffer + *used, shareName.c_str(), shareName.size() + 1);
                *used += shareName.size() + 1;
                ++count;
            }
        }
    }
    if (progress != platform::ui::kNoProgress)
        platform::ui::bridge().closeProgress(progress);
    return count;
}

uint16_t CPrinter::RefreshAndSave()
{
    std::vector<char> scratch(4096, 0);
    size_t used = 0;
    const uint16_t count = RefreshPrinters(scratch.data(), scratch.size(), &used, true);
    SaveAllPrtCfg();
    return count;
}

void CPrinter::LoadPrinters()
{
    RefreshAndSave();
}

void CPrinter::PrepareJobChecks()
{
    RefreshPrinters(nullptr, 0, nullptr, false);
    std::vector<std::string> names;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        saveNewRecordsLocked();
        for (const PRTCFG& record : m_list)
            names.push_back(record.printerName);
    }
    const std::optional<PrinterCheckCache::Stamp> stamp = PrinterCheckCache::now(m_spooler);
    if (!stamp)
        return;
    for (const std::string& name : names) {
        PRTCFG record;
        std::string failure;
        // Only what was read whole is kept: the rest a job works out as it always did.
        if (loadRecord(name, &record, &failure) == LoadResult::Loaded)
            m_checks.keep(name, *stamp, &record);
    }
}

bool CPrinter::ChkJobPrinter(const std::string& printerName, const char* password, bool* shared,
                             std::string* storedPassword, bool* storeFailed)
{
    if (shared)
        *shared = false;
    if (storeFailed)
        *storeFailed = false;
    if (printerName.empty())
        return false;
    // Read before the store: whatever changes while it is read makes this answer stale.
    std::optional<PrinterCheckCache::Stamp> stamp = PrinterCheckCache::now(m_spooler);
    if (stamp) {
        if (std::optional<std::optional<PRTCFG>> kept = m_checks.find(printerName, *stamp))
            return ChkPassword(kept->has_value() ? &**kept : nullptr, password, shared, storedPassword);
    }
    PRTCFG record;
    std::string failure;
    LoadResult loaded = loadRecord(printerName, &record, &failure);
    if (loaded == LoadResult::Missing) {
        // Perhaps installed since the last look: refresh, and give a printer found for the
        // first time its default record. The records already stored are not written again.
        RefreshPrinters(nullptr, 0, nullptr, true);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            saveNewRecordsLocked();
        }
        stamp = PrinterCheckCache::now(m_spooler); // the refresh may have written the store
        loaded = loadRecord(printerName, &record, &failure);
        if (loaded == LoadResult::Missing) {
            // A printer found for the first time whose default record could not be written
            // (a full disk): the open default holds all the same, and is not kept, so that
            // the next job tries the write again.
            std::lock_guard<std::mutex> lock(m_mutex);
            const PRTCFG* fresh = findLocked(printerName);
            if (fresh && m_new.count(platform::foldName(printerName)))
                return ChkPassword(fresh, password, shared, storedPassword);
        }
    }
    if (loaded == LoadResult::StoreFailed) {
        ReportStoreFailure("reading the configuration of printer '" + printerName + "' for a job", failure);
        if (std::optional<PRTCFG> last = lastGood(printerName))
            return ChkPassword(&*last, password, shared, storedPassword);
        if (storeFailed)
            *storeFailed = true;
        return false;
    }
    // Without a configuration the printer counts as not shared (ChkPassword with no record).
    const PRTCFG* answer = loaded == LoadResult::Loaded ? &record : nullptr;
    if (stamp)
        m_checks.keep(printerName, *stamp, answer);
    return ChkPassword(answer, password, shared, storedPassword);
}

} // namespace typestone
