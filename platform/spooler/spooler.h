#pragma once
// The print spooler: the printers of this machine and the jobs sent to them.
//
// Two backends stand behind it: FolderSpooler (each printer a folder, the embedded default) and
// CupsSpooler. makeSpooler() picks one from the settings. The calls may be made from several
// threads at once; each job keeps its own state.

#include "platform/spooler/print_options.h"
#include "platform/spooler/printer_defaults.h"
#include "platform/spooler/printer_info.h"
#include "platform/spooler/raw_job.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::spooler {

class Spooler
{
public:
    virtual ~Spooler() = default;

    // One line naming the backend in use, for the start-up report.
    virtual std::string description() const = 0;
    // Further lines of the start-up report, where the backend has something to tell (where the
    // jobs of each printer land); none by default.
    virtual std::vector<std::string> startupReport() { return {}; }

    // All printers. Empty with `error` set when the spooler cannot be asked (an empty list
    // without an error just means there are none).
    virtual std::vector<PrinterInfo> printers(std::string* error = nullptr) = 0;

    // A number that changes whenever the list of printers (or what it tells of them) may have
    // changed: answers taken from the list hold while it stays the same. Nullopt when the
    // backend cannot tell; then only asking again tells.
    virtual std::optional<uint64_t> printersVersion() { return std::nullopt; }

    // One printer by name (compared the way the backend compares names); nullopt with
    // `error` set when it does not exist or cannot be asked.
    virtual std::optional<PrinterInfo> printer(const std::string& name, std::string* error = nullptr) = 0;

    // Starts a raw document titled `documentName` with data type "RAW" or "XPS_PASS".
    // Null with `error` set when the job cannot be started.
    virtual std::unique_ptr<RawJob> startRawJob(const std::string& printer, const std::string& documentName,
                                                const std::string& dataType, std::string* error) = 0;

    // Submits the whole PDF file at `pdfFilePath` as one document with `options`.
    virtual bool submitPdf(const std::string& printer, const std::string& documentName,
                           const std::string& pdfFilePath, const PrintOptions& options,
                           std::string* error) = 0;

    // Submits the file at `path` as one document of its own type `mimeType` (a program made
    // it: a PDF, a plain text), printed with the printer's own settings. This one takes PDF
    // only; a backend that can take more says so.
    virtual bool submitDocument(const std::string& printer, const std::string& documentName,
                                const std::string& path, const std::string& mimeType, std::string* error)
    {
        if (mimeType == "application/pdf")
            return submitPdf(printer, documentName, path, PrintOptions{}, error);
        if (error)
            *error = "documents of type " + mimeType + " cannot be printed here";
        return false;
    }

    // Ends what a run that died left half done, where the backend keeps jobs itself: a raw
    // job cut short is handed over with what arrived (marked so), a part that cannot be
    // printed is removed, and a job whose record cannot be read is moved into `damagedFolder`
    // (an existing folder). One line per thing done, for the start-up report. Call it before
    // any job starts. Nothing by default.
    virtual std::vector<std::string> recoverInterruptedJobs(const std::string& damagedFolder)
    {
        (void)damagedFolder;
        return {};
    }

    // The printer's default settings.
    virtual std::optional<PrinterDefaults> defaults(const std::string& printer, std::string* error) = 0;

    // The media and resolutions the printer offers. Nullopt with `error` set for a printer
    // that cannot be asked; a backend that lists nothing gives empty lists.
    virtual std::optional<PrinterChoices> choices(const std::string& printer, std::string* error)
    {
        if (!this->printer(printer, error))
            return std::nullopt;
        return PrinterChoices{};
    }

    // Stores new default settings for the printer, where the backend offers it.
    virtual bool saveDefaults(const std::string& printer, const PrinterDefaults& defaults,
                              std::string* error) = 0;
};

} // namespace platform::spooler
