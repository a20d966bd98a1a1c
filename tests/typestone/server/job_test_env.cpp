#include "job_test_env.h"

#include "typestone/server/server_trace.h"

#include "platform/settings/settings_store.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace jobtest {
namespace {

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::map<std::string, std::string> infoValues(const fs::path& path)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(readAll(path));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

// A raw job whose writes or whose end the test refuses; a refused job is withdrawn, as the
// spooler interface says.
class ScriptedRawJob : public platform::spooler::RawJob
{
public:
    ScriptedRawJob(std::unique_ptr<platform::spooler::RawJob> inner, bool failWrite, bool failFinish,
                   bool slowWrite)
        : m_inner(std::move(inner)), m_failWrite(failWrite), m_failFinish(failFinish), m_slowWrite(slowWrite)
    {
    }
    bool write(const void* data, size_t size) override
    {
        if (m_slowWrite)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (!m_failWrite)
            return m_inner->write(data, size);
        m_inner->abort();
        m_error = "no space left on the test's device";
        return false;
    }
    bool markCutShort(const std::string& reason) override { return m_inner->markCutShort(reason); }
    bool finish() override
    {
        if (!m_failFinish && !m_failWrite)
            return m_inner->finish();
        m_inner->abort();
        if (m_error.empty())
            m_error = "the test's spooler lost the job";
        return false;
    }
    void abort() override { m_inner->abort(); }
    std::string errorText() const override { return m_error.empty() ? m_inner->errorText() : m_error; }

private:
    std::unique_ptr<platform::spooler::RawJob> m_inner;
    const bool m_failWrite;
    const bool m_failFinish;
    const bool m_slowWrite;
    std::string m_error;
};

} // namespace

JobTestEnv::JobTestEnv()
{
    if (!m_dir.ok())
        throw std::runtime_error(m_dir.error());
    m_env.set("TYPESTONE_REGISTRY", m_dir.path("registry.sqlite"));
    fs::create_directories(m_dir.path("tmp"));
    m_env.set("TMPDIR", m_dir.path("tmp"));
    platform::SettingsStore::resetShared();
    std::string error;
    m_folder = platform::spooler::FolderSpooler::open(m_dir.path("spool"), &error);
    if (!m_folder)
        throw std::runtime_error("folder spooler: " + error);
}

JobTestEnv::~JobTestEnv()
{
    m_folder.reset();
    platform::SettingsStore::resetShared();
}

void JobTestEnv::addPrinter(const std::string& name)
{
    std::string error;
    if (!m_folder->addPrinter(name, &error))
        throw std::runtime_error("addPrinter: " + error);
}

std::string JobTestEnv::jobLog()
{
    std::string path;
    GetLogFName(path);
    return readAll(path);
}

std::string JobTestEnv::traceFile()
{
    std::string path;
    GetTrzFName(path);
    return readAll(path);
}

std::vector<FolderJob> finishedJobs(const std::string& root, const std::string& printer)
{
    std::vector<fs::path> infos;
    const fs::path dir = fs::path(root) / printer;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".info")
            infos.push_back(entry.path());
    std::sort(infos.begin(), infos.end(), [](const fs::path& a, const fs::path& b) {
        return std::stoull(a.stem().string()) < std::stoull(b.stem().string());
    });
    std::vector<FolderJob> jobs;
    for (const fs::path& info : infos) {
        std::map<std::string, std::string> v = infoValues(info);
        const fs::path file = dir / v["file"];
        if (v["file"].empty() || !fs::exists(file))
            continue;
        jobs.push_back({v["document"], v["datatype"], readAll(file), v["cut-short"]});
    }
    return jobs;
}

size_t leftoverFiles(const std::string& root, const std::string& printer)
{
    size_t count = 0;
    const fs::path dir = fs::path(root) / printer;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".part")
            ++count;
        if (entry.path().extension() == ".info") {
            std::map<std::string, std::string> v = infoValues(entry.path());
            if (v["file"].empty() || !fs::exists(dir / v["file"]))
                ++count;
        }
    }
    return count;
}

bool ScriptedSpooler::listed(const std::vector<std::string>& names, const std::string& name) const
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::vector<std::string> ScriptedSpooler::dataTypes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dataTypes;
}

std::vector<platform::spooler::PrinterInfo> ScriptedSpooler::printers(std::string* error)
{
    std::vector<platform::spooler::PrinterInfo> list = m_inner.printers(error);
    for (auto& info : list)
        if (listed(v4, info.name))
            info.driverVersion = 4;
    return list;
}

std::optional<platform::spooler::PrinterInfo> ScriptedSpooler::printer(const std::string& name,
                                                                       std::string* error)
{
    std::optional<platform::spooler::PrinterInfo> info = m_inner.printer(name, error);
    if (info && listed(v4, name))
        info->driverVersion = 4;
    return info;
}

std::unique_ptr<platform::spooler::RawJob> ScriptedSpooler::startRawJob(const std::string& printer,
                                                                        const std::string& documentName,
                                                                        const std::string& dataType,
                                                                        std::string* error)
{
    if (beforeStart)
        beforeStart(printer);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_dataTypes.push_back(dataType);
    }
    if (listed(failStart, printer)) {
        if (error)
            *error = "start refused by the test";
        return nullptr;
    }
    std::unique_ptr<platform::spooler::RawJob> job =
        m_inner.startRawJob(printer, documentName, dataType, error);
    if (job && (listed(failWrite, printer) || listed(failFinish, printer) || listed(slowWrite, printer)))
        return std::make_unique<ScriptedRawJob>(std::move(job), listed(failWrite, printer),
                                                listed(failFinish, printer), listed(slowWrite, printer));
    return job;
}

bool ScriptedSpooler::submitPdf(const std::string& printer, const std::string& documentName,
                                const std::string& pdfFilePath,
                                const platform::spooler::PrintOptions& options, std::string* error)
{
    if (listed(failSubmit, printer)) {
        if (error)
            *error = "no space left on the test's device";
        return false;
    }
    return m_inner.submitPdf(printer, documentName, pdfFilePath, options, error);
}

std::optional<platform::spooler::PrinterDefaults> ScriptedSpooler::defaults(const std::string& printer,
                                                                            std::string* error)
{
    return m_inner.defaults(printer, error);
}

bool ScriptedSpooler::saveDefaults(const std::string& printer,
                                   const platform::spooler::PrinterDefaults& defaults, std::string* error)
{
    return m_inner.saveDefaults(printer, defaults, error);
}

} // namespace jobtest
