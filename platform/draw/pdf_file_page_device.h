#pragma once
// The page device of the PDF printer drivers: the document goes into a named PDF file. The
// pages are written to a temporary file in the target's folder, which endDoc renames over the
// target, so the file appears whole or not at all (an existing file is replaced). An aborted
// document leaves the target as it was and removes the temporary file. A document without a
// page is refused by endDoc (no file is written).

#include "platform/draw/pdf_page_device.h"

#include <string>

namespace platform::draw {

class PdfFilePageDevice : public PdfPageDevice
{
public:
    // `outputPath`: the absolute path of the file to write.
    PdfFilePageDevice(std::string outputPath, const PageSetup& setup);

    bool startDoc(const std::string& documentName) override;
    bool endDoc() override;
};

} // namespace platform::draw
