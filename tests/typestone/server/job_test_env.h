#pragma once
// Shared fixtures of the job reception tests: a private folder with its own settings store and
// a folder spooler, a spooler wrapper that can fail or pose as a version-4 driver, and readers
// for the jobs the folder spooler wrote.

#include "platform/spooler/folder_spooler.h"

#include "tests/support/env/scoped_env.h"
#include "tests/support/env/temp_dir.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace jobtest {

// A temporary folder that is the home of the test's settings store (TYPESTONE_REGISTRY), of
// its temporary files (TMPDIR: the trace file and the job log) and of a folder spooler root
// ("spool").
class JobTestEnv
{
public:
    JobTestEnv();
    ~JobTestEnv();
    JobTestEnv(const JobTestEnv&) = delete;
    JobTestEnv& operator=(const JobTestEnv&) = delete;

    const std::string& dir() const { return m_dir.path(); }
    platform::spooler::FolderSpooler& folder() { return *m_folder; }
    void addPrinter(const std::string& name);

    // The job log and the trace file as they are now ("" while they do not exist).
    static std::string jobLog();
    static std::string traceFile();

private:
    ts::support::TempDir m_dir{"ts-jobs"};
    ts::support::ScopedEnv m_env;
    std::unique_ptr<platform::spooler::FolderSpooler> m_folder;
};

// One finished raw job of the folder spooler.
struct FolderJob
{
    std::string document;
    std::string dataType;
    std::string data;
    std::string cutShort; // the record's reason when the job ended early
};

// The finished jobs of a printer folder in the order they were reserved.
std::vector<FolderJob> finishedJobs(const std::string& root, const std::string& printer);
// Files of unfinished or left-behind jobs (".part" and ".info" without a ".prn").
size_t leftoverFiles(const std::string& root, const std::string& printer);

// Passes everything to an inner spooler, except: printers named in failStart refuse to start,
// printers in v4 report driver version 4; raw jobs on printers in failWrite refuse their data
// (as a spooler that lost its connection or its disk), on printers in failFinish refuse their
// end; raw jobs on printers in slowWrite take 2 ms for every write (a slow disk); PDF documents
// for printers in failSubmit are refused. Records the data type of every start.
class ScriptedSpooler : public platform::spooler::Spooler
{
public:
    explicit ScriptedSpooler(platform::spooler::Spooler& inner) : m_inner(inner) {}

    std::vector<std::string> failStart;
    std::vector<std::string> v4;
    std::vector<std::string> failWrite;
    std::vector<std::string> failFinish;
    std::vector<std::string> slowWrite;
    std::vector<std::string> failSubmit;
    // Called with the printer's name at the start of every raw job, before anything else (set
    // it before the jobs come).
    std::function<void(const std::string& printer)> beforeStart;

    std::vector<std::string> dataTypes() const;

    std::string description() const override { return "scripted"; }
    std::vector<platform::spooler::PrinterInfo> printers(std::string* error = nullptr) override;
    std::optional<platform::spooler::PrinterInfo> printer(const std::string& name,
                                                          std::string* error = nullptr) override;
    std::unique_ptr<platform::spooler::RawJob> startRawJob(const std::string& printer,
                                                           const std::string& documentName,
                                                           const std::string& dataType,
                                                           std::string* error) override;
    bool submitPdf(const std::string& printer, const std::string& documentName,
                   const std::string& pdfFilePath, const platform::spooler::PrintOptions& options,
                   std::string* error) override;
    std::optional<platform::spooler::PrinterDefaults> defaults(const std::string& printer,
                                                               std::string* error) override;
    bool saveDefaults(const std::string& printer, const platform::spooler::PrinterDefaults& defaults,
                      std::string* error) override;

private:
    bool listed(const std::vector<std::string>& names, const std::string& name) const;

    platform::spooler::Spooler& m_inner;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_dataTypes;
};

} // namespace jobtest
