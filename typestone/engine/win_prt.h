#pragma once
// CWinPrt: one interpreted print job. The connection spools the host's bytes into a file
// (StartSpoolPrtJob, SpoolData); when the host closes, StopSpoolPrtJob opens the page device,
// runs the file through the print-stream interpreter and ends the document.
//
// The interpreter half classifies every byte: text is buffered and handed to the font mapper,
// the 19 control bytes run their actions, and escape blocks (0xFD 0xFD, a 12-byte header and
// the parameters) are framed, checked and dispatched to their command handlers. Everything
// runs on the connection's worker thread; handlers may re-enter PrintData.
//
// The members are split by concern: win_prt.cpp (life, set-up), win_prt_stream.cpp (framer),
// win_prt_controls.cpp (control bytes, lines), win_prt_page.cpp (document and pages),
// win_prt_job.cpp (spooling, files), win_prt_page_actions.cpp (recording and playing page
// actions, records), win_prt_pdf.cpp (the PDF document), win_prt_pending.cpp (commands carried
// out elsewhere).

#include "typestone/engine/command_table.h"
#include "typestone/engine/drive_map.h"
#include "typestone/engine/engine_host.h"
#include "typestone/engine/esc_block.h"
#include "typestone/engine/field_text.h"
#include "typestone/engine/host_file_link.h"
#include "typestone/engine/init_data.h"
#include "typestone/engine/page_action_list.h"
#include "typestone/engine/print_log.h"
#include "typestone/engine/progress_throttle.h"
#include "typestone/engine/spool_record.h"

#include "platform/draw/dc.h"
#include "platform/draw/font_engine.h"
#include "platform/draw/page_device.h"
#include "platform/spooler/print_options.h"
#include "platform/spooler/printer_info.h"
#include "platform/text/sprintf.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::spooler {
class Spooler;
}
namespace platform::draw {
class TeeDc;
}

namespace typestone {

class CFontMapper;
class CPDFDoc;

// Where the job's pages go: made for the job's printer when the document starts.
struct EngineDeviceRequest
{
    std::string printer;
    std::string jobName;
    std::string documentName;
    std::string outputFile; // empty: the printer's own spooling
    std::string cutShort;   // why the job ended early; empty for a whole job
    // The job's own settings; what is unset is the printer's.
    platform::spooler::PrintOptions settings;
};
using PageDeviceFactory = std::function<std::unique_ptr<platform::draw::PageDevice>(
    const EngineDeviceRequest&, std::string* error)>;

// Attribute bits of the text attribute word.
inline constexpr uint16_t kAttrItalic = 0x01;
inline constexpr uint16_t kAttrBold = 0x02;
inline constexpr uint16_t kAttrUnderline = 0x04;
inline constexpr uint16_t kAttrCompressed = 0x08;
inline constexpr uint16_t kAttrDoubleWidth = 0x10;
inline constexpr uint16_t kAttrDoubleHeight = 0x20;
inline constexpr uint16_t kAttrColor = 0x40;
inline constexpr uint16_t kAttrStrikeOut = 0x80;

// The longest printer name a job may name.
inline constexpr unsigned kMaxPrinterName = 254;

// The command error code of showError (a handler failed).
inline constexpr uint16_t kErrCommand = 4096;
// What showError gives when no box was shown (messages off): no box answers 0, so it cannot be
// taken for Yes, No or a time-out.
inline constexpr int kErrorNotShown = 0;

// Where a job stands with its document and pages.
enum class PageState : uint8_t
{
    NoDocument,   // no document is open
    BetweenPages, // the document is open, no page is
    PageOpen,     // a page is open and takes text and drawings
    PagePending,  // a form feed ended the page: the next byte of the stream opens the next one
    AutoEjected,  // the last line filled the page and ended it: the next text opens the next
                  // page, and a form feed right after it adds no empty page
};

// How the last StopSpoolPrtJob ended.
enum class SpoolOutcome : uint8_t
{
    Printed,      // the document was handed to the printer
    Failed,       // it was not; the spool file is gone unless SetKeepFailedSpool
    KeptForLater, // the server's stop came first: nothing was handed over, the files stay
};

// What the interpreter is doing: printing the stream, or playing the actions recorded for a
// page (they re-enter PrintData, and some commands are refused while they play).
enum class RunMode : uint8_t
{
    Printing,
    Playing4Page,
};

class CWinPrt
{
public:
    // `table` null: the built-in command table.
    explicit CWinPrt(const CommandTable* table = nullptr);
    ~CWinPrt();
    CWinPrt(const CWinPrt&) = delete;
    CWinPrt& operator=(const CWinPrt&) = delete;

    // --- configuration (set before the job prints) ---
    // The device maker; without one the job cannot start a document.
    void SetDeviceFactory(PageDeviceFactory factory) { m_deviceFactory = std::move(factory); }
    // The faces the job's fonts are made from (not owned; outlives the job).
    void SetFontEngine(platform::draw::FontEngine* engine);
    // Host names of local files (C:\DIR\FILE.EXT) and host output names go through this table.
    void SetDriveMap(DriveMap map) { m_driveMap = std::move(map); }
    const DriveMap& GetDriveMap() const { return m_driveMap; }
    // Folder for the PDF of a PDF driver job that names no output file.
    void SetPdfFolder(std::string folder) { m_pdfFolder = std::move(folder); }
    // Folder of the spool files; empty: the system's temporary folder.
    void SetSpoolFolder(std::string folder) { m_spoolFolder = std::move(folder); }
    // The job's print log goes to this file (empty: no log, the default).
    void SetPrintLog(std::string path) { m_printLog.setPath(std::move(path)); }
    // The spooler that tells about the job's printer (not owned; outlives the job).
    void SetSpooler(platform::spooler::Spooler* spooler) { m_spooler = spooler; }
    // Where a job that brings no settings of its own gets the ones stored for its printer;
    // empty (the default): such a job prints with the printer's own settings.
    using StoredSettings =
        std::function<std::optional<platform::spooler::PrintOptions>(const std::string& printer)>;
    void SetStoredSettings(StoredSettings source) { m_storedSettings = std::move(source); }
    // Where inserted fields take the time, the language of dates and the variables a host may
    // insert.
    void SetFieldSources(FieldSources sources) { m_fieldSources = std::move(sources); }
    const FieldSources& GetFieldSources() const { return m_fieldSources; }
    // The most the recorded page actions of the job may hold (bytes); beyond it recording stops.
    void SetPageActionLimit(size_t bytes) { m_pageActions.SetLimit(bytes); }
    // Text goes here instead of the font mapper (tests watching the framer).
    void SetTextSink(std::function<void(const char*, size_t)> sink) { m_textSink = std::move(sink); }

    // What runs the job: its status, host files, UI bridge, trace and strings (not owned;
    // outlives the job). Null: the default host, which traces nothing.
    void SetHost(EngineHost* host) { m_host = host != nullptr ? host : &EngineHost::Default(); }
    EngineHost& Host() const { return *m_host; }
    // One trace line under `mask`, formatted printf-style, when the host traces that area.
    template <typename... Args> void Trace(uint32_t mask, const char* format, const Args&... args) const
    {
        if (m_host->TraceOn(mask))
            m_host->TraceText(platform::text::sprintf(format, args...));
    }

    // --- the connection's calls, in this order ---
    bool StartSpoolPrtJob(uint16_t version, const INIT_DATA* record, const char* jobName);
    bool SpoolData(const void* bytes, size_t count);
    // Prints the spooled job. `cutShort` says why the job ended before the host's orderly
    // close (empty for a whole job): what was spooled is printed, and the document carries the
    // reason where the spooler keeps a record beside it.
    bool StopSpoolPrtJob(const std::string& cutShort = std::string());
    // Withdraws a spooled job without printing it (a job the host never fed or cut short):
    // the spool file and its record are deleted.
    void DiscardSpoolPrtJob();
    // Lets go of a spooled job without printing or deleting it: its spool file and record stay
    // for the next start to print (the server stopped while the job came in).
    void KeepSpoolPrtJob();
    // Takes up a job an earlier run left: `spoolFile` with what `record` says. StopSpoolPrtJob
    // then prints it. False when a job is spooling already or the record is unusable.
    bool ResumeSpoolPrtJob(const SpoolRecord& record, const std::string& spoolFile);
    // A job that fails to print keeps its spool file and record (for the caller to move
    // aside) instead of losing them.
    void SetKeepFailedSpool(bool keep) { m_keepFailedSpool = keep; }
    const std::string& GetSpoolFName() const { return m_spoolName; }
    // Cancels the job without asking (the server stopping, a caller that decided already);
    // any thread may call it. Cancel on the progress display asks the person first.
    void Cancel() { m_stop.m_bCanceled = true; }
    bool IsCanceled() const { return m_stop.m_bCanceled.load(); }
    // The server is stopping (any thread): the render ends at the next block of the stream or
    // line of a file, no document is handed to the printer, and StopSpoolPrtJob keeps the
    // spool file and its record. Unlike a cancel it is never cleared.
    void Stop()
    {
        m_stop.stopping = true;
        m_stop.m_bCanceled = true;
    }
    bool IsStopping() const { return m_stop.stopping.load(); }
    SpoolOutcome LastSpoolOutcome() const { return m_spoolOutcome; }

    // --- job and document ---
    // `settings`: the job's own page settings (the printer test's); null: the ones stored for
    // the printer (SetStoredSettings), else the printer's own.
    bool StartPrtJob(const INIT_DATA* record, const char* jobName, bool showMessages,
                     const platform::spooler::PrintOptions* settings = nullptr);
    bool StopPrtJob(bool ok);
    // Takes the job's names, grid, options and colour from `record` (null: no printer, 80 x 58,
    // options 1, colour 7), keeps the message switch, rebuilds the translation table and reads
    // the printer's information. With a document open the grid font follows the new grid.
    // False for a printer name longer than kMaxPrinterName: the job then has no printer.
    bool SetConfig(const INIT_DATA* record, bool showMessages);
    void Setup();
    // Reads the printer's information from the spooler into PrinterData(); false (and none)
    // when there is no spooler or it cannot open the printer.
    bool SetupPrtData(const std::string& printer);
    const std::optional<platform::spooler::PrinterInfo>& PrinterData() const { return m_pInfo2; }
    // Ends the page (no eject) and turns the following pages to landscape or portrait. The
    // job's own device changes; other jobs on the same printer keep theirs. False, with the
    // orientation as it was, when the page cannot be ended or the device refuses.
    bool ChangeOrientation(bool landscape);
    bool IsLandscape() const { return m_bLandScape; }

    // --- pages and lines ---
    bool StartPage();
    bool EndPage();
    bool NewPage(bool eject);
    bool Down();
    bool DoCR();
    bool EjectPage();
    // Applies the attribute word `attr`: the second colour, the formatter's word and, when
    // the low byte changed otherwise, the font. False only without a font mapper.
    bool ChangeAttr(uint16_t attr);

    // --- recorded page actions ---
    // Plays the actions recorded for page `page` (StartPage does, for every new page): what
    // the stream was doing (a block being framed, text not yet handed on) waits meanwhile.
    // False when an action failed (the rest of them did not play) or actions are playing
    // already.
    bool PlayPageActions(unsigned page);
    PageActionList& PageActions() { return m_pageActions; }
    const PageActionList& PageActions() const { return m_pageActions; }
    // Bytes and commands of the stream are recorded now: a range records, and page actions are
    // not playing.
    bool IsRecording() const { return m_pageActions.Records() && !IsPlaying4Page(); }
    // A record (page text): its fields into the cells of the current table row, or printed
    // whole when there is no table; `*inTable` says which.
    bool PrintRecord(const std::string& text, uint8_t separator, bool* inTable = nullptr);
    // Sets or clears one bit of the font mapper's attribute word.
    bool SetAttrBit(uint16_t bit, bool on);
    // Prints `text` with the attribute word `attr` (applied first, like ChangeAttr, all 16
    // bits compared).
    void TextOut(const char* text, size_t length, uint16_t attr);

    // --- interpreter ---
    bool PrintData(const void* bytes, size_t count, bool parseEscapes);
    void PutByte(uint8_t byte);
    // The next byte that reaches PutByte is text whatever its class (the control byte 0x1B).
    void SetLiteralNext() { m_framer.m_bLiteralNext = true; }
    bool Func4EscData(uint8_t byte);
    bool ExecCmd(const uint8_t* header);
    bool FormCmd(const EscHeader* header, std::string* text, unsigned page, const uint8_t* params,
                 uint32_t paramLen, bool withParams, bool playing) const;
    void Discarding();
    // The stream ended: a header cut short is given back as text, a parameter block cut short
    // is traced and dropped.
    void EndOfStream();
    // Prints the buffered text.
    void FlushData();
    // Prints `text` at the current position with the font mapper's attribute word, starting a
    // page when none is.
    void FlushData(const char* text, size_t length);
    bool PrintFile(const std::string& path, bool textMode, uint16_t flags, unsigned first, unsigned count,
                   bool recordMode, uint8_t option);
    // A file a command names: a host file (flags bit 15 clear) fetched through the job's host
    // file link, else a file of this machine through the drive map. It is printed as text, or
    // with bit 13 outside record mode handed to the spooler as a document of its own (a PDF or
    // a plain text; the host's text translation in bits 10-11 applies to the fetch).
    bool GetServerFile(const std::string& name, uint16_t flags, const HostFileFacts& facts, unsigned first,
                       unsigned count, bool recordMode, uint8_t option);

    // The aborted test: cancelled or aborted. A Cancel pressed on the progress display is
    // confirmed first when messages are on (the person may answer that the job goes on).
    bool IsAborted();
    void SetAbort() { m_stop.abort = true; }
    // A failure report: `text` (what was tried) under `code` (a spooler code, kErrCommand, any
    // other number, or 0 for none) becomes the last error, a trace line, a print-log line and,
    // with messages on, a box of `type`. The box's answer, or kErrorNotShown without messages.
    int showError(const std::string& text, int code = 0, unsigned type = 0);

    // --- state the command groups share ---
    CFontMapper* FontMapper() const { return m_pFMap.get(); }
    platform::draw::Dc* Dc() const;
    const INIT_DATA& InitData() const { return m_InitData; }
    const std::string& JobName() const { return m_jobName; }
    uint16_t TransEntry(uint8_t byte) const { return m_wTransTbl[byte]; }
    uint16_t Attr() const { return m_wAttr; }
    unsigned PageCount() const { return m_nPages; }
    PageState GetPageState() const { return m_pageState; }
    bool IsPageStarted() const { return m_pageState == PageState::PageOpen; }
    bool IsDocStarted() const { return m_pageState != PageState::NoDocument; }
    bool IsPlaying4Page() const { return m_runMode == RunMode::Playing4Page; }
    uint32_t PrintedBytes() const { return m_dwPrintBytes; }
    uint16_t LastError() const { return m_wError; }
    const std::string& OutputFile() const { return m_docOutput; }
    // The current output position, as the font mapper keeps it.
    int X() const { return m_cursor.m_x; }
    int Y() const { return m_cursor.m_y; }
    // Sets that position (the area commands, when an area becomes current).
    void SetXY(int x, int y)
    {
        m_cursor.m_x = x;
        m_cursor.m_y = y;
    }
    // Where the output file goes when the job ends (the host's name for it; the output
    // command sets it).
    void SetOutputName(std::string name) { m_szOutput = std::move(name); }
    // The local file for a file a host names for us to write (its place in the mapped
    // folders, else the PDF folder under its file name); empty, with the error shown, when
    // there is none. `what` names the command in the error.
    std::string LocalOutputFile(const std::string& hostName, const char* what)
    {
        return localOutputFor(hostName, what, m_jobName);
    }

    const std::string& OutputName() const { return m_szOutput; }
    // The document name the stream gave (kept; the spooler's document name is the record's).
    void SetDocName(std::string name) { m_szDocName = std::move(name); }
    const std::string& DocName() const { return m_szDocName; }

    // --- PDF output ---
    // Opens the job's PDF document: `hostName` (a host's local name, at most kMaxHostName
    // characters) goes to its place in the mapped folders, else to the PDF folder under its
    // file name. An open one is ended and written first. From the next page on every page
    // also goes into the PDF (with CPDFDoc::NO_PRINTER in `flags` only there). False when the
    // name is refused or the file cannot be made; the job goes on without PDF output.
    bool BeginPdfDocument(uint16_t flags, const std::string& hostName);
    CPDFDoc* PDFDoc() const { return m_pPDFDoc.get(); }

private:
    // The one place the document and page state changes.
    void setPageState(PageState next) { m_pageState = next; }
    bool _StartPrtJob(const INIT_DATA* record, const char* jobName, bool showMessages,
                      const platform::spooler::PrintOptions* settings);
    bool _StopPrtJob(bool ok);
    void moveOutputIntoPlace();
    // The printer's pages are left out (the PDF document's no-printer flag).
    bool noPrinter() const;
    // The PDF page of a printer page, and its capture in the font mapper's Dc.
    void beginPdfPage();
    void endPdfPage();
    // Ends the PDF document: written, or dropped when `write` is false. False when a document
    // with pages could not be written (shown as an error).
    bool endPdfDocument(bool write);
    // The local file for an output file a host names: its place in the mapped folders (their
    // missing folders made), else the PDF folder under its file name (the job's when it has
    // none that can be used), with a trace line. Empty, with the error shown, when there is no
    // PDF folder either.
    std::string localOutputFor(const std::string& hostName, const char* what, const std::string& jobName);
    // The attribute word `attr` applied; a change of the bits of `fontBits` other than the
    // second colour selects the font again.
    void applyAttr(uint16_t attr, uint16_t fontBits);
    bool ensureTextRoom(size_t count);
    void storeText(uint8_t byte);
    void reportProgress(uint64_t done);
    bool printTextFile(std::FILE* file, uint16_t flags, unsigned first, unsigned count, bool recordMode,
                       uint8_t separator);
    // Recording: a byte of the stream, a command's action (null: none) kept after it ran.
    void recordByte(uint8_t byte);
    void keepAction(std::unique_ptr<CPageAction> action);
    void recordingStopped();
    bool printForeignDocument(const std::string& path);
    void showUnsupported(const std::string& description, uint16_t required);
    bool confirmCancel();
    // The program's string `id`, or `fallback` when the host has none.
    std::string hostString(unsigned id, const char* fallback) const;
    // A print-log write's result: a failed one is reported once and ends the log.
    void logged(bool ok);
    // The progress display's state now: the current line and the file level.
    void showProgressLine(int percent, bool restored = false);

    const CommandTable* m_table;
    PageDeviceFactory m_deviceFactory;
    StoredSettings m_storedSettings;
    DriveMap m_driveMap;
    std::string m_pdfFolder;
    std::string m_spoolFolder;
    std::function<void(const char*, size_t)> m_textSink;
    PrintLog m_printLog;
    platform::spooler::Spooler* m_spooler = nullptr;

    // connection
    EngineHost* m_host = &EngineHost::Default();
    std::unique_ptr<INIT_DATA> m_spoolRecord;
    std::string m_spoolName;
    std::string m_jobName;
    uint16_t m_hostVersion = 0;
    std::string m_cutShort; // while a cut-short spooled job prints
    bool m_keepFailedSpool = false;
    SpoolOutcome m_spoolOutcome = SpoolOutcome::Failed;
    bool m_docHandedOver = false; // the last document's end reached the printer

    // job
    INIT_DATA m_InitData;
    bool m_bShowMsgs = false;
    bool m_ignoreUnsupported = false; // the person asked not to be told of them again this job
    std::unique_ptr<platform::draw::PageDevice> m_device;
    std::optional<platform::spooler::PrinterInfo> m_pInfo2; // the job's printer, read at set-up
    bool m_bLandScape = false;                              // the pages now lie in landscape
    std::unique_ptr<CFontMapper> m_pFMap;
    PageState m_pageState = PageState::NoDocument;
    RunMode m_runMode = RunMode::Printing;
    PageActionList m_pageActions;
    FieldSources m_fieldSources;
    int m_executing = 0;     // commands running: the bytes they feed back are not recorded again
    std::string m_docOutput; // the file the device writes
    std::string m_szOutput;  // where that file goes when the job ends; empty: it stays
    std::string m_szDocName; // the stream's document name
    std::unique_ptr<CPDFDoc> m_pPDFDoc;
    // While a PDF page is captured: the printer's Dc and the capture's, as the job's Dc.
    std::unique_ptr<platform::draw::TeeDc> m_tee;
    unsigned m_nPages = 0;
    // Why the job stops early: the job gave up itself (a failed command answered so, no
    // memory), or it was cancelled from outside (any thread).
    struct StopRequests
    {
        bool abort = false;
        std::atomic<bool> m_bCanceled{false};
        bool cancelPressed = false;  // Cancel on the progress display, not yet confirmed
        bool abortConfirmed = false; // the person answered Yes to the abort question
        std::atomic<bool> stopping{false};
    } m_stop;
    uint16_t m_wError = 0;
    uint32_t m_dwPrintBytes = 0;
    uint16_t m_wAttr = 0;

    // interpreter
    uint16_t m_wTransTbl[256] = {};
    // The framer: the escape block being collected and the text waiting for the font mapper.
    struct Framer
    {
        uint8_t m_szDataSeq[kEscHeaderSize] = {kEscMagicByte, kEscMagicByte};
        size_t m_nHdrPos = 0; // header bytes collected; kEscHeaderSize: collecting parameters
        std::vector<uint8_t> m_params;
        uint32_t m_nParamCount = 0;
        std::vector<char> m_pCache; // text not yet handed to the font mapper
        size_t m_ixCache = 0;
        bool m_bLiteralNext = false; // the next byte is text whatever its class
    } m_framer;
    // The cursor: the output position and the line feed a carriage return already gave.
    struct Cursor
    {
        int m_x = 0;
        int m_y = 0;
        bool m_bSkipDown = false; // the next line feed is swallowed
    } m_cursor;

    // progress
    ProgressThrottle m_progress;
    uint64_t m_progressId = 0;  // the progress display of the outermost file, 0 none
    int m_fileDepth = 0;        // files being printed, the outermost first
    std::string m_progressLine; // what the display tells of the file being printed
    int m_lastPercent = -1;     // the last figure the display showed
};

} // namespace typestone
