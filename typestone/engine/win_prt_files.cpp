// The files a command names: host files fetched through the job's host file link, files of
// this machine through the drive map, printed as text or handed to the spooler as documents of
// their own.

#include "typestone/engine/init_data.h"
#include "typestone/engine/win_prt.h"

#include "platform/spooler/spooler.h"

#include <cstdio>
#include <filesystem>

namespace typestone {
namespace {

constexpr uint16_t kFlagLocalFile = 0x8000;
constexpr uint16_t kFlagForeignDocument = 0x2000;
constexpr uint16_t kFlagTranslation = 0x0C00;

// What kind of document a file is, by its first bytes: a PDF, a plain text, or neither (empty).
std::string documentType(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return {};
    char head[4096];
    const size_t n = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    const std::string_view start(head, n);
    if (start.substr(0, 5) == "%PDF-")
        return "application/pdf";
    if (start.find('\0') != std::string_view::npos)
        return {};
    return "text/plain";
}

} // namespace

bool CWinPrt::GetServerFile(const std::string& name, uint16_t flags, const HostFileFacts& facts,
                            unsigned first, unsigned count, bool recordMode, uint8_t option)
{
    const bool local = (flags & kFlagLocalFile) != 0;
    const bool foreign = (flags & kFlagForeignDocument) != 0;
    uint8_t translation = 0;
    if (foreign)
        translation = (flags & kFlagTranslation) == 0x0400 ? 1 : (flags & kFlagTranslation) == 0x0800 ? 2 : 0;
    std::string path;
    if (local) {
        const auto mapped = m_driveMap.map(name);
        if (!mapped) {
            Trace(kTrzJobs, "\nPrintFile()-FALSE: '%s' is outside the mapped folders [OUT]", name);
            return false;
        }
        path = *mapped;
    } else {
        HostFileLink* link = m_host->HostFiles();
        if (link == nullptr) {
            Trace(kTrzJobs, "\nGetServerFile(%s): the job has no link to its host's files", name);
            return false;
        }
        if (!link->FetchHostFileAs(name, facts, translation, &path) || path.empty()) {
            Trace(kTrzJobs, "\nGetServerFile(%s, szCachedFname='') -> bRc=Error", name);
            return false;
        }
    }
    Trace(kTrzJobs, "\n_PrintFile(%s): %s, szCachedFname='%s', Tlation=%d", local ? "Windows" : "Valdor",
          name, path, int(translation));
    bool ok = false;
    if (recordMode || !foreign) {
        if (!IsPageStarted() && !StartPage())
            return false;
        ok = PrintFile(path, true, flags, first, count, recordMode, option);
    } else {
        ok = printForeignDocument(path);
    }
    Trace(kTrzJobs, "\nGetServerFile(%s, szCachedFname='%s') -> bRc=%s", name, path, ok ? "OK" : "Error");
    return ok;
}

bool CWinPrt::printForeignDocument(const std::string& path)
{
    const std::string type = documentType(path);
    if (type.empty()) {
        showError("'" + path + "' is neither a PDF nor a plain text: it cannot be printed as a document",
                  kErrCommand);
        return false;
    }
    if (m_spooler == nullptr) {
        Trace(kTrzJobs, "\nPrintFile(%s): no spooler to hand the document to", path);
        return false;
    }
    const std::string printer = FieldText(m_InitData.printer);
    const std::string document = (m_jobName.empty() ? std::string() : m_jobName + " - ") +
                                 std::filesystem::path(path).filename().string();
    std::string error;
    if (!m_spooler->submitDocument(printer, document, path, type, &error)) {
        showError("The document '" + path + "' was not printed: " + error, kErrCommand);
        return false;
    }
    Trace(kTrzJobs, "\nPrintFile(%s): handed to '%s' as %s", path, printer, type);
    return true;
}

} // namespace typestone
