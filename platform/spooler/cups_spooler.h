#pragma once
// The spooler as the CUPS scheduler named by cupsServer() (CUPS_SERVER, client.conf, or the
// local socket). Raw jobs stream to the queue as they arrive; PDF documents go whole as
// application/pdf with their options as IPP job attributes. Printer defaults are read from
// the queue; changing them is CUPS' own business (lpadmin), so saveDefaults() refuses.
//
// A printer asked for by name is answered from the list last fetched when that is at most
// kKeepListMs old, so that a job's start costs no round trip to the scheduler; a name not in
// it, and every call of printers(), asks the scheduler afresh.

#include "platform/spooler/spooler.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>

namespace platform::spooler {

class CupsSpooler : public Spooler
{
public:
    // How long a fetched list answers for: a queue removed in CUPS is still named for at most
    // this long (its jobs then fail with the scheduler's own reason), and the answers kept from
    // the list (the job check's) are asked again after it.
    static constexpr int kKeepListMs = 2000;

    CupsSpooler() = default;

    std::string description() const override;
    std::vector<PrinterInfo> printers(std::string* error = nullptr) override;
    std::optional<PrinterInfo> printer(const std::string& name, std::string* error = nullptr) override;
    // Moves with every fetch of the list and when the kept list grows too old.
    std::optional<uint64_t> printersVersion() override;
    std::unique_ptr<RawJob> startRawJob(const std::string& printer, const std::string& documentName,
                                        const std::string& dataType, std::string* error) override;
    bool submitPdf(const std::string& printer, const std::string& documentName,
                   const std::string& pdfFilePath, const PrintOptions& options, std::string* error) override;
    // PDF as submitPdf; plain text goes to the queue as text/plain, which CUPS's filters print.
    bool submitDocument(const std::string& printer, const std::string& documentName, const std::string& path,
                        const std::string& mimeType, std::string* error) override;
    std::optional<PrinterDefaults> defaults(const std::string& printer, std::string* error) override;
    // The queue's media-supported (as PWG names, without custom ranges) and
    // printer-resolution-supported.
    std::optional<PrinterChoices> choices(const std::string& printer, std::string* error) override;
    bool saveDefaults(const std::string& printer, const PrinterDefaults& defaults,
                      std::string* error) override;

private:
    std::vector<PrinterInfo> fetchPrinters(std::string* error);
    // Under m_listMutex: forgets a kept list older than kKeepListMs.
    void expireLocked();

    std::mutex m_listMutex;
    std::optional<std::vector<PrinterInfo>> m_kept; // under m_listMutex
    std::chrono::steady_clock::time_point m_keptAt;
    uint64_t m_listVersion = 0;
};

} // namespace platform::spooler
