// The job's life: spooling, starting and ending the document, printing files.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/job_strings.h"
#include "typestone/engine/win_prt.h"

#include "klv_inet/support/text_compare.h"
#include "klv_inet/support/work4wts.h"
#include "platform/charset/host_charset.h"
#include "platform/charset/oem_ansi.h"
#include "platform/fileio/file_ops.h"
#include "platform/folders/folders.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace typestone {

namespace fs = std::filesystem;

namespace {

bool isPdfDriver(const std::string& printer)
{
    return klv::equalsNoCase(printer, "Microsoft Print to PDF") || klv::equalsNoCase(printer, "PDFCreator") ||
           klv::equalsNoCase(printer, "Win2PDF");
}

// A file name made of the job name: the characters a file name cannot hold become '_'.
std::string fileNameOf(const std::string& name)
{
    std::string out;
    for (char c : name)
        out += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.') ? c : '_';
    return out.empty() ? std::string("job") : out;
}

// Moves `from` to `to` so that `to` appears whole or not at all: a rename, or across file
// systems a copy beside the target renamed over it.
bool moveAtomically(const std::string& from, const std::string& to, std::string* error)
{
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec)
        return true;
    const std::string temp = to + ".part";
    fs::copy_file(from, temp, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::rename(temp, to, ec);
    if (ec) {
        fs::remove(temp);
        *error = ec.message();
        return false;
    }
    fs::remove(from, ec);
    return true;
}

} // namespace

bool CWinPrt::StartSpoolPrtJob(uint16_t version, const INIT_DATA* record, const char* jobName)
{
    if (record == nullptr || jobName == nullptr || *jobName == '\0')
        return false;
    if (m_spoolRecord || !m_spoolName.empty() || !m_jobName.empty())
        return false;
    const std::string dir = m_spoolFolder.empty() ? GetSessionTempPath() : m_spoolFolder;
    std::string name = platform::fileio::makeTempFile(dir, "tps");
    if (name.empty())
        return false;
    // The record goes down before the host is told yes, so every accepted job can be printed
    // from its spool file whatever happens to this run.
    SpoolRecord stored;
    stored.version = version;
    stored.jobName = jobName;
    stored.record = *record;
    std::string error;
    if (!WriteSpoolRecord(SpoolRecordPath(name), stored, &error)) {
        Trace(kTrzJobs, "\nStartSpoolPrtJob: %s", error);
        std::remove(name.c_str());
        return false;
    }
    m_spoolRecord = std::make_unique<INIT_DATA>(*record);
    m_spoolName = std::move(name);
    m_jobName = jobName;
    m_hostVersion = version;
    return true;
}

bool CWinPrt::ResumeSpoolPrtJob(const SpoolRecord& record, const std::string& spoolFile)
{
    if (m_spoolRecord || !m_spoolName.empty() || !m_jobName.empty())
        return false;
    if (spoolFile.empty() || record.jobName.empty())
        return false;
    m_spoolRecord = std::make_unique<INIT_DATA>(record.record);
    m_spoolName = spoolFile;
    m_jobName = record.jobName;
    m_hostVersion = record.version;
    return true;
}

bool CWinPrt::SpoolData(const void* bytes, size_t count)
{
    if (m_spoolName.empty() || bytes == nullptr)
        return false;
    return platform::fileio::appendFile(m_spoolName,
                                        std::string_view(static_cast<const char*>(bytes), count));
}

void CWinPrt::DiscardSpoolPrtJob()
{
    if (!m_spoolName.empty()) {
        std::remove(m_spoolName.c_str());
        std::remove(SpoolRecordPath(m_spoolName).c_str());
    }
    m_jobName.clear();
    m_spoolName.clear();
    m_spoolRecord.reset();
}

void CWinPrt::KeepSpoolPrtJob()
{
    if (!m_spoolName.empty())
        Trace(kTrzJobs, "\nSpooled job '%s' left in '%s'", m_jobName, m_spoolName);
    m_jobName.clear();
    m_spoolName.clear();
    m_spoolRecord.reset();
}

bool CWinPrt::StopSpoolPrtJob(const std::string& cutShort)
{
    m_spoolOutcome = SpoolOutcome::Failed;
    if (!m_spoolRecord || m_spoolName.empty() || m_jobName.empty())
        return false;
    if (IsStopping()) {
        KeepSpoolPrtJob();
        m_spoolOutcome = SpoolOutcome::KeptForLater;
        return false;
    }
    const auto info = platform::fileio::fileInfo(m_spoolName);
    bool result = false;
    bool handedOver = false;
    if (info.exists && info.regular && info.size > 0) {
        m_host->JobPrinting();
        m_cutShort = cutShort;
        if (StartPrtJob(m_spoolRecord.get(), m_jobName.c_str(), false)) {
            result = PrintFile(m_spoolName, false, 0, 0, 0, false, 44);
            result = StopPrtJob(result) && result;
            handedOver = m_docHandedOver;
        }
        m_cutShort.clear();
        m_host->JobSize(static_cast<uint32_t>(info.size));
    }
    // A render the stop cut short handed nothing to the printer: the job stays whole for the
    // next start. What was handed over is done, however late the stop came.
    if (IsStopping() && !handedOver) {
        KeepSpoolPrtJob();
        m_spoolOutcome = SpoolOutcome::KeptForLater;
        return false;
    }
    m_spoolOutcome = result ? SpoolOutcome::Printed : SpoolOutcome::Failed;
    if (!result && m_keepFailedSpool) {
        KeepSpoolPrtJob();
        return false;
    }
    bool remove = true;
    if (m_host->ExtendedDebug()) {
        const std::string text =
            platform::text::sprintf("Spooled job '%s' was printed '%s'\nOK to delete temp file '%s'",
                                    m_jobName, result ? "SUCCESSFULLY" : "WITH ERROR", m_spoolName);
        // Only a Yes deletes: a question nobody answers (no companion program, a time-out)
        // keeps the job's bytes for whoever debugs it.
        remove = m_host->TracedBox(text, platform::ui::kMbYesNo | platform::ui::kMbDefButton2, kTrzJobs) ==
                 platform::ui::kIdYes;
    }
    if (remove)
        std::remove(m_spoolName.c_str());
    // The record goes whatever the answer: the job has had its print.
    std::remove(SpoolRecordPath(m_spoolName).c_str());
    m_jobName.clear();
    m_spoolName.clear();
    m_spoolRecord.reset();
    return result;
}

bool CWinPrt::StartPrtJob(const INIT_DATA* record, const char* jobName, bool showMessages,
                          const platform::spooler::PrintOptions* settings)
{
    return _StartPrtJob(record, jobName, showMessages, settings);
}

bool CWinPrt::_StartPrtJob(const INIT_DATA* record, const char* jobName, bool showMessages,
                           const platform::spooler::PrintOptions* settings)
{
    // The check comes first: a second start must not change the running job's settings.
    if (IsDocStarted()) {
        showError("_StartPrtJob attampted when already printing...");
        return false;
    }
    if (!SetConfig(record, showMessages)) {
        showError(platform::text::sprintf("_StartPrtJob(): the printer name is longer than %u characters",
                                          kMaxPrinterName));
        return false;
    }
    if (!m_deviceFactory) {
        showError("CreateDC()");
        return false;
    }
    EngineDeviceRequest request;
    request.printer = FieldText(m_InitData.printer);
    request.jobName = jobName != nullptr ? jobName : "";
    const std::string docName = FieldText(m_InitData.docname);
    request.documentName = docName.empty() ? request.jobName : docName;
    request.cutShort = m_cutShort;
    if (settings != nullptr) {
        request.settings = *settings;
    } else if (m_storedSettings && !request.printer.empty()) {
        if (std::optional<platform::spooler::PrintOptions> stored = m_storedSettings(request.printer)) {
            request.settings = std::move(*stored);
            Trace(kTrzJobs, "\n_StartPrtJob('%s'): with the printer's stored settings", request.printer);
        }
    }

    m_docOutput.clear();
    if (isPdfDriver(request.printer)) {
        const std::string hostOutput = FieldText(m_InitData.output);
        if (!hostOutput.empty()) {
            request.outputFile = localOutputFor(hostOutput, "StartDoc()", request.jobName);
            if (request.outputFile.empty())
                return false;
        } else if (!m_pdfFolder.empty()) {
            request.outputFile = (fs::path(m_pdfFolder) / (fileNameOf(request.jobName) + ".pdf")).string();
        }
        m_docOutput = request.outputFile;
    }

    std::string error;
    m_device = m_deviceFactory(request, &error);
    if (!m_device) {
        showError("CreateDC() " + error);
        return false;
    }
    // A PDF driver without a name writes a temporary file of its own choosing.
    if (std::string path = m_device->outputPath(); !path.empty())
        m_docOutput = std::move(path);
    if (!m_device->startDoc(request.documentName)) {
        showError("StartDoc() " + m_device->errorText());
        m_device.reset();
        return false;
    }
    setPageState(PageState::BetweenPages);
    // The job's own device tells how its pages lie: the printer's settings may be landscape.
    const platform::draw::DeviceCaps caps = m_device->caps();
    m_bLandScape = caps.physicalWidth > caps.physicalHeight;
    m_nPages = 0;
    // A document's headers and footers are its own.
    m_pageActions = PageActionList(m_pageActions.Limit());
    m_dwPrintBytes = 0;
    m_wError = 0;
    m_stop.abort = false;
    m_cursor.m_bSkipDown = false;
    m_wAttr = 0;
    m_pFMap->SetAttrWord(0);
    m_pFMap->SetDc(m_device->dc());
    m_pFMap->SetPrinting(true);
    m_device->dc()->setTextAlign(platform::draw::TextAlign::Baseline);
    m_pFMap->SetTextColor(0);
    m_pFMap->SetBkColor(0xFFFFFF);
    m_pFMap->SetBkMode(2);
    m_pFMap->SetGridFont(0, m_InitData.cols, m_InitData.rows);
    return true;
}

bool CWinPrt::StopPrtJob(bool ok)
{
    const bool onlyPdf = noPrinter();
    bool result = _StopPrtJob(ok);
    // The PDF ends after the printer's document. A render the server's stop cut short is
    // printed whole later, PDF and all: what it drew so far is not written. When the PDF is
    // the job's only output, a PDF that cannot be written fails the job.
    if (m_pPDFDoc && !endPdfDocument(!IsStopping() || m_docHandedOver) && onlyPdf)
        result = false;
    if (!m_szOutput.empty() && FieldText(m_InitData.output).empty() && !m_docOutput.empty())
        moveOutputIntoPlace();
    m_szOutput.clear();
    return result;
}

bool CWinPrt::_StopPrtJob(bool ok)
{
    m_docHandedOver = false;
    if (!m_device)
        return false;
    bool result = true;
    // Pages that carry only images, frames or codes count as printed as well as text does.
    const bool printed = m_dwPrintBytes != 0 || m_nPages != 0;
    // A render the server's stop cut short is never handed over: the job is printed whole
    // from its spool file later.
    if (!IsStopping() && (ok || m_wError == kErrCommand) && printed) {
        if (!EndPage())
            result = false;
        if (result && noPrinter()) {
            // Only the PDF is wanted: the printer's document is dropped.
            m_device->abortDoc();
        } else if (result && !m_device->endDoc()) {
            showError("EndDoc() " + m_device->errorText());
            result = false;
        }
        m_docHandedOver = result;
        if (!result)
            m_device->abortDoc();
    } else {
        // The open page ends before the document is dropped.
        if (IsPageStarted()) {
            setPageState(PageState::BetweenPages);
            m_pFMap->PageEnd();
            if (!noPrinter())
                m_device->endPage();
            endPdfPage();
        }
        m_device->abortDoc();
    }
    setPageState(PageState::NoDocument);
    m_pFMap->DocumentEnd();
    m_pFMap->SetDc(nullptr);
    m_device.reset();
    return result;
}

std::string CWinPrt::localOutputFor(const std::string& hostName, const char* what, const std::string& jobName)
{
    std::string reason;
    if (const auto local = m_driveMap.map(hostName)) {
        if (m_driveMap.makeFolderFor(*local, &reason))
            return *local;
    } else {
        reason = "no mapped folder takes it";
    }
    // The document is made all the same, where the host's files without a name go: a
    // document the host sent is never dropped for want of a folder for its name.
    if (m_pdfFolder.empty()) {
        showError(std::string(what) + ": output '" + hostName + "': " + reason);
        return {};
    }
    std::string name = hostFileName(hostName);
    if (name.empty())
        name = fileNameOf(jobName) + ".pdf";
    const std::string landed = (fs::path(m_pdfFolder) / name).string();
    std::string ignored; // a folder that cannot be made is reported when the file is written
    platform::folders::makePath(m_pdfFolder, 0700, &ignored);
    Trace(kTrzAlways, "\n%s: output '%s' cannot be written there (%s); it goes to '%s'", what, hostName,
          reason, landed);
    return landed;
}

void CWinPrt::moveOutputIntoPlace()
{
    const std::string goal = localOutputFor(m_szOutput, "PrtOutput", m_jobName);
    if (goal.empty())
        return;
    std::string error;
    if (!moveAtomically(m_docOutput, goal, &error))
        showError("PrtOutput: cannot move '" + m_docOutput + "' to '" + goal + "': " + error);
    else
        m_docOutput = goal;
}

void CWinPrt::reportProgress(uint64_t done)
{
    m_progress.add(done);
}

void CWinPrt::showProgressLine(int percent, bool restored)
{
    m_lastPercent = percent;
    platform::ui::ProgressState state;
    if (restored) {
        using namespace std::chrono;
        state.restored = true;
        const auto age = steady_clock::now() - m_progress.started();
        state.startedAt = duration_cast<seconds>((system_clock::now() - age).time_since_epoch()).count();
    }
    state.lines.push_back(m_progressLine);
    state.level = m_fileDepth;
    state.percent = percent;
    state.status = "Page " + std::to_string(m_nPages);
    state.page = int(m_nPages);
    m_host->Ui().updateProgress(m_progressId, state);
}

bool CWinPrt::PrintFile(const std::string& path, bool textMode, uint16_t flags, unsigned first,
                        unsigned count, bool recordMode, uint8_t option)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        Trace(kTrzJobs, "\nPrintFile()-FALSE: '%s' not found [OUT]", path);
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    const auto saved = m_progress.save();
    // The outermost file owns the progress display; a file a command prints goes one level
    // deeper and tells which part of which file it prints, then gives the line back.
    const bool outermost = m_fileDepth++ == 0;
    const std::string savedLine = m_progressLine;
    const std::string fileName = fs::path(path).filename().string();
    if (outermost) {
        m_progressLine =
            m_jobName.empty()
                ? fileName
                : platform::text::sprintf(hostString(kStrPrintingJob, kPrintingJobText).c_str(), m_jobName);
        platform::ui::ProgressRequest request;
        // The title says what the display is about; the printer tells which one it is.
        const std::string title = hostString(kStrPrintingTitle, kPrintingTitleText);
        const std::string printer = FieldText(m_InitData.printer);
        request.caption = printer.empty() ? title : title + " - " + printer;
        logged(m_printLog.begin(m_host->VersionText(), std::string()));
        request.lines.push_back(m_progressLine);
        request.jobName = m_jobName.empty() ? fileName : m_jobName;
        request.printer = printer;
        m_progressId = m_host->Ui().openProgress(request);
        m_lastPercent = -1;
        m_progress.setSink([this](int percent) {
            showProgressLine(percent);
            if (m_host->Ui().progressCancelled(m_progressId))
                m_stop.cancelPressed = true;
        });
    } else {
        const std::string all =
            recordMode ? hostString(kStrAllRecords, kAllText) : hostString(kStrAllLines, kAllText);
        const std::string howMany = count == 0 ? all : std::to_string(count);
        const std::string format = recordMode ? hostString(kStrPrintingRecords, kPrintingRecordsText)
                                              : hostString(kStrPrintingLines, kPrintingLinesText);
        m_progressLine = platform::text::sprintf(format.c_str(), howMany, fileName, std::max(first, 1u));
        showProgressLine(m_lastPercent);
    }
    m_progress.start(textMode && count != 0 ? count : fs::file_size(path, ec));
    // A new run starts clean; a file a command prints must not clear a cancel or an abort
    // that arrived while the job printed the stream around it.
    if (outermost) {
        m_stop.m_bCanceled = false;
        m_stop.abort = false;
        m_stop.cancelPressed = false;
        m_stop.abortConfirmed = false;
    }

    bool ok = true;
    if (!textMode) {
        char block[1024];
        for (;;) {
            const size_t n = std::fread(block, 1, sizeof block, file);
            if (n == 0)
                break;
            PrintData(block, n, true);
            if (IsAborted()) {
                ok = false;
                break;
            }
        }
        EndOfStream();
    } else {
        ok = printTextFile(file, flags, first, count, recordMode, option);
    }
    if (ok)
        m_progress.finish();
    m_progress.restore(saved);
    --m_fileDepth;
    m_progressLine = savedLine;
    if (outermost) {
        logged(m_printLog.end());
        m_progress.setSink(nullptr);
        m_host->Ui().closeProgress(m_progressId);
        m_progressId = 0;
    } else {
        showProgressLine(saved.lastSent, true);
    }
    std::fclose(file);
    return ok;
}

bool CWinPrt::printTextFile(std::FILE* file, uint16_t flags, unsigned first, unsigned count, bool recordMode,
                            uint8_t separator)
{
    const bool translate = (flags & 0x0C00) != 0;
    const int delimiter = translate ? '\r' : '\n';
    auto readLine = [&](std::string& line) -> bool {
        line.clear();
        int c;
        while ((c = std::fgetc(file)) != EOF) {
            if (c == delimiter)
                return true;
            line += static_cast<char>(c);
        }
        return !line.empty();
    };
    std::string line;
    for (unsigned skip = 1; skip < first; ++skip)
        if (!readLine(line))
            return false;
    unsigned printed = 0;
    while (count == 0 || printed < count) {
        if (IsAborted())
            return false;
        if (!readLine(line))
            return count == 0 || printed == count;
        // Text mode: a CR LF pair ends a line like a lone LF.
        if (!translate && !line.empty() && line.back() == '\r')
            line.pop_back();
        // A file of records is taken as it is: its lines are records, not text to tidy.
        const uint8_t filter = recordMode ? 0 : static_cast<uint8_t>(flags & 0xFF);
        if (filter != 0) {
            std::string out;
            for (char ch : line) {
                if ((filter & 0x02) && ch == '\f')
                    continue;
                if ((filter & 0x01) && ch == '\r') {
                    const char prev = out.empty() ? '\0' : out.back();
                    if (prev == ' ')
                        continue;
                    if (prev != '\r' && prev != '.')
                        ch = ' ';
                }
                out += ch;
            }
            line.swap(out);
        }
        if (recordMode || count == 1) {
            const auto cr = line.find('\r');
            if (cr != std::string::npos)
                line.resize(cr);
            const auto b = line.find_first_not_of(' ');
            const auto e = line.find_last_not_of(' ');
            line = b == std::string::npos ? std::string() : line.substr(b, e - b + 1);
        }
        bool inTable = false;
        if (!line.empty()) {
            if (translate)
                platform::charset::hostToOemInPlace(line);
            else if (!(flags & 0x1000))
                platform::charset::ansiToOemInPlace(line);
            if (recordMode)
                PrintRecord(line, separator, &inTable);
            else
                PrintData(line.data(), line.size(), false);
        }
        // Each line of the file is a line of the page; a record in a table row moved the row.
        if (!inTable) {
            m_cursor.m_x = 0;
            m_pFMap->LineReset();
            Down();
        }
        ++printed;
        m_progress.add(count != 0 ? 1 : line.size());
    }
    return true;
}

} // namespace typestone
