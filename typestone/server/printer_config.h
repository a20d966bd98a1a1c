#pragma once
// The shared-printer configuration: which printers of this machine hosts may print on, under
// which share name and password, and with which device settings.
//
// The settings live in the section "Printers" of the settings store:
//   Printers            "Count", "Name1".."Name<Count>"
//   Printers\<printer>  "Shared" ("Yes"/"No"), "Password" (enciphered 9-byte block), "Name"
//   ...\DevCfg          "dmDeviceName", "NewDevMode", "wDriver", "wDevice", "wOutput", "wDefault"
// (<printer> without leading backslashes). The printer list comes from the spooler; one
// mutex guards it, so the job workers, the UDP list query and the dialog may all refresh it.
//
// The dialog that edits this lives in typestone/widgets; this class keeps its values.

#include "typestone/server/printer_check_cache.h"
#include "typestone/server/prt_cfg.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace platform::spooler {
class Spooler;
}
namespace klv {
struct RegistryWrite;
}

namespace typestone {

class CPrinter
{
public:
    static constexpr uint16_t kDefaultServicePort = 3339;
    static constexpr uint16_t kDefaultAuxPort = 3341;

    // Progress display modes of the dialog's "Print Progress" group.
    enum ProgressMode
    {
        kProgressDisabled = 0,
        kProgressMinimized = 1,
        kProgressNormal = 2,
    };

    struct DialogValues
    {
        bool useDns = false;
        uint16_t servicePort = kDefaultServicePort;
        uint16_t auxPort = kDefaultAuxPort;
        int progressMode = kProgressMinimized;
        bool messagesEnabled = true;
        bool jobLogging = false;
    };

    // `spooler` gives the printers and their drivers' settings; it must outlive this object.
    explicit CPrinter(platform::spooler::Spooler* spooler, bool useDns = false,
                      uint16_t servicePort = kDefaultServicePort, uint16_t auxPort = kDefaultAuxPort);
    // Saves the list once more when the dialog was last closed with OK.
    ~CPrinter();
    CPrinter(const CPrinter&) = delete;
    CPrinter& operator=(const CPrinter&) = delete;

    // --- the dialog's values
    void SetDlgValues(bool useDns, uint16_t servicePort, uint16_t auxPort);
    DialogValues GetDlgValues() const;
    // OK of the dialog: takes the values, saves every record, switches the message dialogs.
    void OnDialogOk(const DialogValues& values);
    void OnDialogCancel();
    bool ClosedWithOk() const;

    // --- the list
    std::optional<PRTCFG> FindPrtCfg(const std::string& name) const; // without regard to case
    std::vector<PRTCFG> Records() const;
    // Replaces the record of the same printer (after the share dialog's OK). False when absent.
    bool ReplacePrtCfg(const PRTCFG& record);

    // A missing record is not shared. The share name is given when asked for (empty: none).
    static bool IsPrtShared(const PRTCFG* record, std::string* shareName);
    bool IsPrtShared(const std::string& name, std::string* shareName) const;

    // True when both passwords are empty or equal without regard to case; *shared := the
    // record's flag (false without one), *storedPassword := the record's password.
    static bool ChkPassword(const PRTCFG* record, const char* password, bool* shared,
                            std::string* storedPassword);

    // --- the store
    static std::string PrintersSection();
    // The key of a printer below `section`: leading backslashes of the name skipped.
    static std::string PrinterKey(const std::string& section, const std::string& printerName);

    bool GetPrtCfg(const std::string& printerName, PRTCFG* record) const;
    bool LoadPrtCfg(const std::string& section, PRTCFG* record) const;
    bool SavePrtCfg(const std::string& key, const DevMode* devMode, const DevNames* devNames) const;
    // Writes one record; with a counter also "Count" and "Name<n>". False when nothing was written.
    bool SavePrtEntry(int* counter, PRTCFG* record) const;
    void SaveAllPrtCfg();

    // The printer's current settings as its driver (the spooler) gives them.
    bool DriverSettings(const std::string& printerName, DevMode* devMode, DevNames* devNames) const;
    // The stored device settings of a printer, else its driver's.
    bool GetCurrPrtConfig(const std::string& printerName, DevMode* devMode) const;

    // --- enumeration
    void AddInstPrinter(const std::string& printerName, std::optional<DevMode> devMode,
                        std::optional<DevNames> devNames);
    // Rebuilds the list from the spooler. With a buffer, appends "name\0share\0" of every shared
    // printer at *used while the pair leaves room below `size`; returns how many were appended.
    uint16_t RefreshPrinters(char* buffer, size_t size, size_t* used, bool showProgress);
    uint16_t RefreshAndSave();
    void LoadPrinters();

    // Before the first job: gives the installed printers not yet configured their default
    // records (as the first job for one would) and keeps the check's answers for all of them,
    // so that the first job costs what the next one does. Shows no progress.
    void PrepareJobChecks();

    // The job server's check: the verdict, whether the printer is shared and its password.
    // A printer with no configuration even after a reload is not shared. A printer not yet
    // configured gets its default record written, and only that one: a job for a printer
    // nobody has leaves the store as it was. When the store fails, the configuration last read
    // or written for the printer answers; without one, *storeFailed is set (the verdict is
    // false and the printer counts as not shared, but it is the store that failed).
    // The answers are kept while neither the store nor the spooler's printer list changes
    // (where the spooler can tell), so most jobs read neither.
    bool ChkJobPrinter(const std::string& printerName, const char* password, bool* shared,
                       std::string* storedPassword, bool* storeFailed = nullptr);

private:
    enum class LoadResult
    {
        Loaded,
        Missing,     // not configured, or a value missing or too long
        StoreFailed, // the store could not answer; `failure` says why
    };
    // GetPrtCfg and LoadPrtCfg with the store's failures told apart.
    LoadResult loadRecord(const std::string& printerName, PRTCFG* record, std::string* failure) const;
    LoadResult loadPrtCfg(const std::string& section, PRTCFG* record, std::string* failure) const;
    // Whether the store holds any of the printer's own values ("Shared", "Password", "Name").
    bool hasStoredRecord(const std::string& printerName, std::string* failure) const;
    bool loadDevCfg(const std::string& section, const std::string& printer, PRTCFG* record,
                    std::string* failure) const;
    bool loadDevNames(const std::string& key, PRTCFG* record, std::string* failure) const;
    bool loadDevMode(const std::string& key, const std::string& deviceName, DevMode* devMode,
                     std::string* failure) const;
    static void devCfgEntries(const std::string& key, const DevMode& devMode, const DevNames& devNames,
                              std::vector<klv::RegistryWrite>* entries);
    // Writes the records of printers found for the first time in the last refresh.
    void saveNewRecordsLocked();
    // The writes of one record (with a counter also "Count" and "Name<n>"); fills in the
    // record's device names from its driver when it has none.
    void recordEntries(const int* counter, PRTCFG* record, std::vector<klv::RegistryWrite>* out) const;
    // The configuration last read from or written to the store, by folded printer name.
    void rememberGood(const PRTCFG& record) const;
    std::optional<PRTCFG> lastGood(const std::string& printerName) const;
    void addInstPrinterLocked(const std::string& printerName, std::optional<DevMode> devMode,
                              std::optional<DevNames> devNames);
    PRTCFG* findLocked(const std::string& name);

    platform::spooler::Spooler* const m_spooler;

    mutable std::mutex m_mutex; // the list and the two sets below
    std::vector<PRTCFG> m_list;
    // Folded names of records of the last refresh that the store could not give (their
    // stand-ins are never written over what it holds), and of printers seen for the first time.
    std::set<std::string> m_unread;
    std::set<std::string> m_new;
    mutable std::mutex m_goodMutex;
    mutable std::map<std::string, PRTCFG> m_lastGood;
    std::mutex m_refreshMutex;  // one refresh at a time
    PrinterCheckCache m_checks; // ChkJobPrinter's answers

    mutable std::mutex m_valuesMutex;
    DialogValues m_values;
    bool m_closedWithOk = false;
};

} // namespace typestone
