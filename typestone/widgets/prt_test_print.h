#pragma once
// Prints a picture of the printer test dialog on a printer: one page, the picture fitted to an
// A4 sheet, handed to the spooler as a PDF.

#include <QImage>

#include <string>

namespace platform::spooler {
class Spooler;
}

namespace typestone {

// `tempFolder` takes the page while it is handed over; false with `error` set when the page
// could not be made or the spooler refused it.
bool PrintPicture(platform::spooler::Spooler& spooler, const std::string& printer, const QImage& picture,
                  const std::string& tempFolder, std::string* error);

} // namespace typestone
