#include "typestone/server/spool_recovery.h"

#include "typestone/engine/spool_record.h"
#include "typestone/engine/win_prt.h"
#include "typestone/server/server_engine_host.h"
#include "typestone/server/server_trace.h"

#include "platform/draw/font_engine.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace typestone {

namespace fs = std::filesystem;

namespace {

// A folder with more entries than this is looked at in part; the rest waits for the next start.
constexpr size_t kMaxEntries = 100000;

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool startsWith(const std::string& text, const std::string& head)
{
    return text.compare(0, head.size(), head) == 0;
}

// The regular files of a folder (symbolic links and folders are left alone).
std::vector<fs::path> regularFiles(const std::string& folder)
{
    std::vector<fs::path> files;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (files.size() >= kMaxEntries)
            break;
        std::error_code typeError;
        if (it->is_regular_file(typeError) && !it->is_symlink(typeError))
            files.push_back(it->path());
    }
    return files;
}

bool isFile(const fs::path& path)
{
    std::error_code ec;
    return fs::is_regular_file(fs::symlink_status(path, ec));
}

std::string sizeText(const fs::path& path)
{
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? std::string("?") : std::to_string(size);
}

} // namespace

SpoolRecovery::SpoolRecovery(const EngineSetup& engine, Folders folders, Log log)
    : m_engine(engine), m_folders(std::move(folders)), m_log(std::move(log))
{
}

SpoolRecovery::~SpoolRecovery()
{
    Stop();
}

void SpoolRecovery::log(const std::string& line) const
{
    TRZ_Trace(kTrzJobs, "\n%s", line);
    if (m_log)
        m_log(line);
}

void SpoolRecovery::moveAside(const std::string& path)
{
    if (!isFile(path))
        return;
    std::error_code ec;
    fs::create_directories(m_folders.damaged, ec);
    const std::string name = fs::path(path).filename().string();
    fs::path target = fs::path(m_folders.damaged) / name;
    // An earlier damaged job of the same name stays as it is.
    for (int n = 1; fs::exists(fs::symlink_status(target, ec)) && n < 1000; ++n)
        target = fs::path(m_folders.damaged) / (name + "." + std::to_string(n));
    fs::rename(path, target, ec);
    if (ec) {
        log("cannot move " + path + " to " + m_folders.damaged + ": " + ec.message() + "; it is removed");
        fs::remove(path, ec);
    }
}

void SpoolRecovery::Tidy()
{
    const std::string recovering = kRecoveringSuffix;
    const std::string record = SpoolRecordPath("");
    for (const fs::path& path : regularFiles(m_folders.spool)) {
        const std::string name = path.filename().string();
        std::error_code ec;
        if (endsWith(name, recovering)) {
            const std::string spool = path.string().substr(0, path.string().size() - recovering.size());
            moveAside(path.string());
            moveAside(spool);
            ++m_damaged;
            log("the job " + spool + " was being recovered when the server ended; it is moved to " +
                m_folders.damaged + " and not printed again");
        } else if (startsWith(name, "typestone-job-") && endsWith(name, ".pdf")) {
            const std::string size = sizeText(path);
            if (fs::remove(path, ec))
                log("removed the unfinished temporary PDF " + path.string() + " (" + size + " bytes)");
        } else if (name.find(record + ".") != std::string::npos ||
                   name.find(recovering + ".") != std::string::npos) {
            fs::remove(path, ec); // a record that was never put in place
        } else if (startsWith(name, "tps") && name.find('.') == std::string::npos) {
            // A spool file without a record: its job was never accepted.
            const fs::path withRecord = path.string() + record;
            const fs::path beingRecovered = path.string() + recovering;
            if (!isFile(withRecord) && !isFile(beingRecovered)) {
                const std::string size = sizeText(path);
                if (fs::remove(path, ec))
                    log("removed the spool file " + path.string() + " (" + size +
                        " bytes), whose job was never accepted");
            }
        }
    }
    // The jobs to print are known now, before the server takes new ones into the same folder.
    collectPending();
    if (m_folders.pdf.empty())
        return;
    // A PDF driver's file is made as ".<name>.XXXXXX" beside its target and renamed when done.
    for (const fs::path& path : regularFiles(m_folders.pdf)) {
        const std::string name = path.filename().string();
        if (startsWith(name, ".") && name.find(".pdf.") != std::string::npos) {
            std::error_code ec;
            const std::string size = sizeText(path);
            if (fs::remove(path, ec))
                log("removed the unfinished PDF " + path.string() + " (" + size + " bytes)");
        }
    }
}

void SpoolRecovery::collectPending()
{
    const std::string record = SpoolRecordPath("");
    std::vector<std::pair<fs::file_time_type, std::string>> pending;
    for (const fs::path& path : regularFiles(m_folders.spool)) {
        const std::string name = path.filename().string();
        if (startsWith(name, "tps") && endsWith(name, record)) {
            std::error_code ec;
            pending.emplace_back(fs::last_write_time(path, ec),
                                 path.string().substr(0, path.string().size() - record.size()));
        }
    }
    std::sort(pending.begin(), pending.end());
    m_pending.clear();
    for (auto& job : pending)
        m_pending.push_back(std::move(job.second));
    m_collected = true;
}

void SpoolRecovery::PrintPending()
{
    if (!m_collected)
        collectPending();
    for (const std::string& spoolFile : m_pending) {
        if (m_stop)
            break;
        printJob(spoolFile);
    }
    m_pending.clear();
}

void SpoolRecovery::printJob(const std::string& spoolFile)
{
    const std::string recordPath = SpoolRecordPath(spoolFile);
    const std::string recoveringPath = spoolFile + kRecoveringSuffix;
    std::error_code ec;
    if (!isFile(spoolFile)) {
        moveAside(recordPath);
        ++m_damaged;
        log("the job record " + recordPath + " has no spool file; it is moved to " + m_folders.damaged);
        return;
    }
    std::string error;
    const std::optional<SpoolRecord> record = ReadSpoolRecord(recordPath, &error);
    if (!record) {
        moveAside(recordPath);
        moveAside(spoolFile);
        ++m_damaged;
        log("the job " + spoolFile + " cannot be printed (" + error + "); it is moved to " +
            m_folders.damaged);
        return;
    }
    const std::string printer = FieldText(record->record.printer);
    if (fs::file_size(spoolFile, ec) == 0 && !ec) {
        fs::remove(recordPath, ec);
        fs::remove(spoolFile, ec);
        log("the job " + record->jobName + " for " + printer + " had no data; removed");
        return;
    }
    // From here a death of the server leaves the ".recovering" name: the next start does not try
    // this job again.
    fs::rename(recordPath, recoveringPath, ec);
    if (ec) {
        log("cannot take up the job " + spoolFile + ": " + ec.message());
        return;
    }

    ServerEngineHost host;
    CWinPrt prt;
    prt.SetHost(&host);
    std::unique_ptr<platform::draw::FontEngine> fonts;
    PrepareWinPrt(prt, m_engine, &fonts);
    prt.SetKeepFailedSpool(true);
    {
        std::lock_guard<std::mutex> lock(m_currentMutex);
        m_current = &prt;
        if (m_stop)
            prt.Stop();
    }
    SpoolOutcome outcome = SpoolOutcome::Failed;
    if (prt.ResumeSpoolPrtJob(*record, spoolFile)) {
        prt.StopSpoolPrtJob();
        outcome = prt.LastSpoolOutcome();
    }
    {
        std::lock_guard<std::mutex> lock(m_currentMutex);
        m_current = nullptr;
    }

    if (outcome == SpoolOutcome::KeptForLater) {
        fs::rename(recoveringPath, recordPath, ec);
        log("the recovered job " + record->jobName + " for " + printer +
            " was not finished before the stop; it is printed at the next start");
        return;
    }
    if (outcome == SpoolOutcome::Printed) {
        fs::remove(recoveringPath, ec);
        ++m_printed;
        log("recovered job " + record->jobName + " printed on " + printer);
        return;
    }
    moveAside(recoveringPath);
    moveAside(spoolFile);
    ++m_damaged;
    log("the recovered job " + record->jobName + " for " + printer +
        " could not be printed; it is moved to " + m_folders.damaged);
}

void SpoolRecovery::Start()
{
    if (m_thread.joinable())
        return;
    m_thread = std::thread([this] { PrintPending(); });
}

void SpoolRecovery::Stop()
{
    m_stop = true;
    {
        std::lock_guard<std::mutex> lock(m_currentMutex);
        if (m_current)
            m_current->Stop();
    }
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace typestone
