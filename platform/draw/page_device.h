#pragma once
// The output of one print job: a document of pages, each drawn through dc().
//
//   startDoc(name) -> (startPage -> draw on dc() -> endPage)* -> endDoc, or abortDoc at any time.
//
// The Dc exists from construction to destruction and keeps its state (font, colours, pen,
// brush) across pages, so a font may be selected and measured before the first page starts.
// Drawing while no page is started is ignored. Failures are results: the call returns false
// and errorText() tells why; after a failure only abortDoc() and the destructor are useful.
// An aborted document, or one whose device is destroyed before endDoc, delivers nothing.
// A device is used by one thread.

#include "platform/draw/dc.h"
#include "platform/spooler/printer_defaults.h"

#include <string>

namespace platform::draw {

class PageDevice
{
public:
    virtual ~PageDevice();

    virtual bool startDoc(const std::string& documentName) = 0;
    virtual bool startPage() = 0;
    virtual bool endPage() = 0;
    // Ends the document and delivers it (submits it to the spooler, moves the file in place).
    virtual bool endDoc() = 0;
    // Ends the document without delivering anything; leaves no file behind.
    virtual void abortDoc() = 0;

    // The device context of the document's pages (never null).
    virtual Dc* dc() = 0;
    // The device values for the next page (or the current one while a page is open).
    virtual DeviceCaps caps() const = 0;
    // Changes the orientation from the next page on (ResetDC between pages). False while a
    // page is open.
    virtual bool setOrientation(spooler::Orientation orientation) = 0;

    // The file this device writes the document to when it names the file itself (a PDF
    // driver's file); empty when the document goes to the spooler.
    const std::string& outputPath() const { return m_outputPath; }

    // Pages ended so far in this document.
    virtual int pageCount() const = 0;
    virtual std::string errorText() const = 0;

protected:
    // Set by the devices that write a file of their own; the PDF devices share it.
    std::string m_outputPath;
};

} // namespace platform::draw
