// The commands that record page actions, insert fields and print records.

#include "typestone/engine/command_codes.h"
#include "typestone/engine/command_groups.h"
#include "typestone/engine/drive_map.h"
#include "typestone/engine/field_text.h"
#include "typestone/engine/host_file_link.h"
#include "typestone/engine/host_text.h"
#include "typestone/engine/page_action_params.h"
#include "typestone/engine/win_prt.h"

#include "platform/charset/host_charset.h"
#include "platform/charset/oem_ansi.h"

namespace typestone {

namespace {

// A field's format is a picture, a number format or a variable name: it has the field's room.
constexpr size_t kMaxFieldFormat = kFieldRoom - 1;

bool RecPage(CWinPrt& prt, const EscBlock& block)
{
    if (prt.FontMapper() == nullptr)
        return false;
    RecPageParams p;
    p.decode(block);
    if (p.range.mode() == 0) {
        prt.PageActions().StopRange();
        prt.Trace(kTrzJobs, "\nRecPage: stopped, %u actions kept",
                  static_cast<unsigned>(prt.PageActions().Count()));
        return true;
    }
    // Recording belongs to a page: what is recorded now is also printed on this one (unless
    // it is only stored).
    if (!prt.IsPageStarted())
        prt.StartPage();
    prt.PageActions().SetRange(p.range);
    prt.Trace(kTrzJobs, "\nRecPage: first=%u, last=%u, flags=0x%04x", p.range.first, p.range.last,
              p.range.flags);
    return true;
}

bool InsertField(CWinPrt& prt, const EscBlock& block)
{
    if (prt.FontMapper() == nullptr)
        return false;
    InsertFieldParams p;
    p.decode(block);
    if (p.format.size() > kMaxFieldFormat) {
        prt.Trace(kTrzJobs, "\nInsertField: format of %u bytes cut to %u",
                  static_cast<unsigned>(p.format.size()), static_cast<unsigned>(kMaxFieldFormat));
        p.format.resize(kMaxFieldFormat);
    }
    const std::string format = HostStrToAnsi(p.format, 0, kHostTextAnsi);
    // The number of the page the field lands on: after a form feed that page is still to come.
    if (p.type == kFieldPage && !prt.IsPageStarted() && !prt.StartPage())
        return false;
    const FieldOutcome field = FormField(p.type, format, prt.PageCount(), prt.GetFieldSources());
    if (!field.note.empty())
        prt.Trace(kTrzJobs, "\nInsertField(type=%u): %s", p.type, field.note);
    if (!field.ok)
        return false;
    // The page takes OEM text; the euro sign has its OEM stand-in.
    std::string oem = platform::charset::ansiToOem(field.text);
    for (size_t i = 0; i < field.text.size(); ++i)
        if (static_cast<uint8_t>(field.text[i]) == platform::charset::kAnsiEuro)
            oem[i] = static_cast<char>(platform::charset::kOemEuro);
    return prt.PrintData(oem.data(), oem.size(), false);
}

bool PrtRecord(CWinPrt& prt, const EscBlock& block)
{
    if (prt.FontMapper() == nullptr)
        return false;
    PrtRecordParams p;
    p.decode(block);
    return prt.PrintRecord(HostStrToAnsi(p.text, 0, kHostTextOem), p.separator);
}

bool PrtFileRecords(CWinPrt& prt, const EscBlock& block)
{
    if (prt.FontMapper() == nullptr)
        return false;
    PrtFileRecordsParams p;
    p.decode(block);
    const std::string name = HostStrToAnsi(p.name, 0, kHostTextAnsi);
    const bool local = (p.flags & PrtFileRecordsParams::kLocalFile) != 0;
    const char* kind = local ? "Windows" : "Valdor";
    if (name.empty() || name.size() > kMaxHostName) {
        prt.Trace(kTrzJobs, "\nPrtFileRecords(%s): a file name of %u bytes cannot be used [OUT]", kind,
                  static_cast<unsigned>(name.size()));
        return false;
    }
    std::string path;
    if (local) {
        const auto mapped = prt.GetDriveMap().map(name);
        if (!mapped) {
            prt.Trace(kTrzJobs, "\nPrtFileRecords(%s): '%s' is outside the mapped folders [OUT]", kind, name);
            return false;
        }
        path = *mapped;
    } else {
        HostFileLink* link = prt.Host().HostFiles();
        if (link == nullptr) {
            prt.Trace(kTrzAlways,
                      "\nPrtFileRecords(%s): '%s' is a host file, and this job has no link to its host [OUT]",
                      kind, name);
            return false;
        }
        if (!link->FetchHostFile(name, p.facts, &path) || path.empty()) {
            prt.Trace(kTrzJobs, "\nPrtFileRecords(%s): '%s' could not be fetched from the host [OUT]", kind,
                      name);
            return false;
        }
    }
    prt.Trace(kTrzJobs, "\n_PrintFile(%s): %s, szCachedFname='%s', records from %u, count %u", kind, name,
              path, p.first, p.count);
    if (!prt.IsPageStarted() && !prt.StartPage())
        return false;
    return prt.PrintFile(path, true, p.flags, p.first, p.count, true, p.separator);
}

} // namespace

void AddPageActionCommands(CommandTable& t)
{
    t.set(kCmdRecPage, "RecPage", RecPageParams::kMinLen, 0xFFFC, &RecPage);
    t.set(kCmdInsertField, "InsertField", InsertFieldParams::kMinLen, 0x0003, &InsertField);
    t.set(kCmdPrtRecord, "PrtRecord", PrtRecordParams::kMinLen, 0x0003, &PrtRecord);
    t.set(kCmdPrtFileRecords, "PrtFileRecords", PrtFileRecordsParams::kMinLen, 0x0003, &PrtFileRecords);
}

} // namespace typestone
