#include "platform/draw/page_device_factory.h"

#include "platform/draw/face_names.h"
#include "platform/draw/page_setup.h"
#include "platform/draw/pdf_file_page_device.h"
#include "platform/draw/spooler_page_device.h"

#include <QDir>
#include <QTemporaryFile>

namespace platform::draw {

bool isPdfDriverName(const std::string& printer)
{
    for (const char* name : {"Microsoft Print to PDF", "PDFCreator", "Win2PDF"}) {
        if (sameFaceName(printer, name)) {
            return true;
        }
    }
    return false;
}

namespace {

// A fresh name "pdf*.pdf" in the temporary folder; the file itself is removed again so that
// the device creates it.
std::string temporaryPdfName(std::string* error)
{
    QTemporaryFile temp(QDir::tempPath() + QStringLiteral("/pdfXXXXXX.pdf"));
    if (!temp.open()) {
        *error = "cannot make a temporary PDF name in " + QDir::tempPath().toStdString() + ": " +
                 temp.errorString().toStdString();
        return {};
    }
    return temp.fileName().toStdString(); // removed when `temp` goes
}

} // namespace

std::unique_ptr<PageDevice> makePageDevice(spooler::Spooler& spooler, const PageDeviceRequest& request,
                                           std::string* error)
{
    return makePageDevice(spooler, request, error, std::string());
}

std::unique_ptr<PageDevice> makePageDevice(spooler::Spooler& spooler, const PageDeviceRequest& request,
                                           std::string* error, const std::string& workFolder)
{
    std::string failure;
    const auto fail = [&]() -> std::unique_ptr<PageDevice> {
        if (error) {
            *error = failure;
        }
        return nullptr;
    };
    if (!request.options.check(&failure)) {
        return fail();
    }
    if (isPdfDriverName(request.printer)) {
        spooler::PrinterDefaults defaults;
        std::string ignored;
        if (spooler.printer(request.printer, &ignored)) {
            if (auto known = spooler.defaults(request.printer, &ignored)) {
                defaults = *known;
            }
        }
        const PageSetup setup = PageSetup::from(defaults, request.options);
        if (!setup.check(&failure)) {
            return fail();
        }
        std::string output = request.outputFile;
        if (output.empty()) {
            output = temporaryPdfName(&failure);
            if (output.empty()) {
                return fail();
            }
        }
        return std::make_unique<PdfFilePageDevice>(output, setup);
    }
    const auto defaults = spooler.defaults(request.printer, &failure);
    if (!defaults) {
        failure = "the settings of printer '" + request.printer + "' cannot be read: " + failure;
        return fail();
    }
    const PageSetup setup = PageSetup::from(*defaults, request.options);
    if (!setup.check(&failure)) {
        failure = "printer '" + request.printer + "': " + failure;
        return fail();
    }
    return std::make_unique<SpoolerPageDevice>(spooler, request.printer, setup, request.options, workFolder);
}

} // namespace platform::draw
