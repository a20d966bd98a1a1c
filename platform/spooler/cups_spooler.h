#pragma once
// The spooler as the CUPS scheduler named by cupsServer() (CUPS_SERVER, client.conf, or the
// local socket). Raw jobs stream to the queue as they arrive; PDF documents go whole as
// application/pdf with their options as IPP job attributes. Printer defaults are read from
// the queue; changing them is CUPS' own business (lpadmin), so saveDefaults() refuses.

#include "platform/spooler/spooler.h"

namespace platform::spooler {

class CupsSpooler : public Spooler
{
public:
    CupsSpooler() = default;

    std::string description() const override;
    std::vector<PrinterInfo> printers(std::string* error = nullptr) override;
    std::optional<PrinterInfo> printer(const std::string& name, std::string* error = nullptr) override;
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
};

} // namespace platform::spooler
