#pragma once
// The spooler as a folder: every immediate subfolder of the spool root is a printer.
//
// A raw job is written to "<root>/<printer>/<seq>-<name>.part" as its bytes arrive and renamed
// to ".prn" when it ends; a PDF document is copied whole to ".pdf" the same way. Beside each
// job "<seq>.info" records the document name, the data type and the file (key=value lines),
// and "cut-short=<reason>" for a job that ended early.
// The sequence numbers are reserved with exclusive creates, so concurrent jobs, also of other
// processes on the same root, never share a name. The default printer is the one named in
// "<root>/.default", else the first by name. A printer's settings live in
// "<root>/<printer>/.settings".
//
// Printer names are found without regard to ASCII case, as hosts send them: a job for "p1"
// goes to the folder "P1". A folder of exactly that name wins; a name that matches several
// folders only by case is refused rather than guessed.
//
// The list of printers is read once and kept while the root does not change (a watch on the
// root tells, exactly: a folder made a moment ago is in the next answer), so a job's look at
// its printer reads no folder. Without the watch the root is read at every look.

#include "platform/spooler/folder_watch.h"
#include "platform/spooler/spooler.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform::spooler {

class FolderSpooler : public Spooler
{
public:
    // Opens the spool root at the absolute path `root`, creating it (0700) when missing.
    static std::unique_ptr<FolderSpooler> open(const std::string& root, std::string* error);

    const std::string& root() const { return m_root; }

    // Creates the folder of printer `name` (0700); an existing printer is fine.
    bool addPrinter(const std::string& name, std::string* error);

    // A printer name is a single folder name: 1 to 255 bytes, no '/' or NUL, not "." or "..".
    static bool isValidPrinterName(const std::string& name, std::string* error);

    std::string description() const override;
    // One line per printer folder, or how to make the first one.
    std::vector<std::string> startupReport() override;
    std::vector<PrinterInfo> printers(std::string* error = nullptr) override;
    std::optional<PrinterInfo> printer(const std::string& name, std::string* error = nullptr) override;
    std::optional<uint64_t> printersVersion() override;
    std::unique_ptr<RawJob> startRawJob(const std::string& printer, const std::string& documentName,
                                        const std::string& dataType, std::string* error) override;
    bool submitPdf(const std::string& printer, const std::string& documentName,
                   const std::string& pdfFilePath, const PrintOptions& options, std::string* error) override;
    // PDF as submitPdf; plain text ("text/plain") lands as a ".txt" job of its own.
    bool submitDocument(const std::string& printer, const std::string& documentName, const std::string& path,
                        const std::string& mimeType, std::string* error) override;
    // For each "<seq>.info" whose final file is missing: a raw ".part" gets a "cut-short=" line
    // in its info and its final name; the ".part" of a PDF (a copy cut short; its job is
    // printed again from the server's own spool) is removed with its info; an info without
    // any data is removed; an info that cannot be read, or a part that cannot be finished, is
    // moved into `damagedFolder` as "<printer>-<name>".
    std::vector<std::string> recoverInterruptedJobs(const std::string& damagedFolder) override;
    std::optional<PrinterDefaults> defaults(const std::string& printer, std::string* error) override;
    bool saveDefaults(const std::string& printer, const PrinterDefaults& defaults,
                      std::string* error) override;

private:
    explicit FolderSpooler(std::string root);

    // A reserved job: its info file is written, its data file is created empty and open.
    struct JobFiles
    {
        int fd = -1;
        std::string partPath;
        std::string finalPath;
        std::string infoPath;
    };

    // The printer list as read from the root.
    std::vector<PrinterInfo> readPrinters(std::string* error) const;
    // Takes the watch's changes (forgetting the kept list when there were any); false when
    // nothing can be kept.
    bool syncLocked();
    // The kept list, read again when the watch saw a change; false when nothing can be kept.
    bool keepCurrentLocked();
    // The kept list, when the watch says it still holds.
    std::optional<std::vector<PrinterInfo>> keptPrinters();
    // The kept entry of printer `name` (exact name first, else the one matching without
    // regard to case); nullopt when the kept list cannot tell.
    std::optional<PrinterInfo> keptPrinter(const std::string& name);
    // The folder name of printer `name` (see above); false with a reason when there is none.
    bool resolvePrinter(const std::string& name, std::string* folder, std::string* error) const;
    PrinterInfo folderInfo(const std::string& name, bool isDefault) const;
    // Whether a printer folder's name sorts before `folder`'s.
    bool folderBefore(const std::string& folder) const;
    std::string printerDir(const std::string& name) const { return m_root + "/" + name; }
    // The first line of ".default" without trailing blanks (empty without the file).
    std::string defaultFileName() const;
    std::string defaultPrinterName(const std::vector<std::string>& names) const;
    bool reserveJob(const std::string& printer, const std::string& documentName, const char* extension,
                    const std::string& infoLines, JobFiles* job, std::string* error);
    uint64_t nextSequence(const std::string& dir, bool rescan);
    static bool fillJob(int in, const JobFiles& job, std::string* error);

    const std::string m_root;
    std::unique_ptr<FolderWatch> m_watch; // on the root; null for a spooler made without open()
    std::mutex m_listMutex;
    std::optional<std::vector<PrinterInfo>> m_kept; // under m_listMutex
    uint64_t m_version = 0;                         // moves with every change the watch saw
    std::mutex m_mutex;
    std::map<std::string, uint64_t> m_nextSequence; // by printer folder
};

} // namespace platform::spooler
