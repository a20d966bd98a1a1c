// The PDF output commands: the job's own PDF document, and the document and output names of
// the PDF printer drivers. The names are taken as the host sends them (no character set
// conversion) and hold at most kMaxHostName characters; a longer one is refused rather than
// cut to a name the host did not give.

#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_groups.h"
#include "typestone/engine/pdf_params.h"
#include "typestone/engine/win_prt.h"

namespace typestone {

namespace {

bool nameFits(CWinPrt& prt, const char* command, const std::string& name)
{
    if (name.size() <= kMaxHostName)
        return true;
    prt.Trace(kTrzAlways, "\n%s: the name is longer than %u characters; refused", command,
              unsigned(kMaxHostName));
    return false;
}

bool PdfDocumentCommand(CWinPrt& prt, const EscBlock& block)
{
    PdfDocumentParams p;
    p.decode(block);
    if (!nameFits(prt, "PDFDocument", p.name))
        return false;
    return prt.BeginPdfDocument(p.flags, p.name);
}

bool PrtDocnameCommand(CWinPrt& prt, const EscBlock& block)
{
    PrtNameParams p;
    p.decode(block);
    if (!nameFits(prt, "PrtDocname", p.name))
        return false;
    prt.SetDocName(p.name);
    return true;
}

bool PrtOutputCommand(CWinPrt& prt, const EscBlock& block)
{
    PrtNameParams p;
    p.decode(block);
    if (!nameFits(prt, "PrtOutput", p.name))
        return false;
    // Where it goes is settled when the job ends: inside the mapped folders, else the PDF folder.
    prt.SetOutputName(p.name);
    return true;
}

} // namespace

void AddPdfCommands(CommandTable& t)
{
    t.set(kCmdPDFDocument, "PDFDocument", PdfDocumentParams::kMinLen, 0x0003, &PdfDocumentCommand);
    t.set(kCmdPrtDocname, "PrtDocname", PrtNameParams::kMinLen, 0x0003, &PrtDocnameCommand);
    t.set(kCmdPrtOutput, "PrtOutput", PrtNameParams::kMinLen, 0x0003, &PrtOutputCommand);
}

} // namespace typestone
