// FolderSpooler: what a run that died in the middle of a job left in the printer folders.

#include "platform/spooler/folder_spooler.h"
#include "platform/spooler/spool_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::spooler {
namespace {

constexpr size_t kMaxInfoFile = 64 * 1024;
// More info files than this in one folder are left for the next start.
constexpr size_t kMaxInfosPerFolder = 100000;

bool exists(const std::string& path, uint64_t* size = nullptr)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    if (size)
        *size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool allDigits(const std::string& text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The "<seq>.info" files of a folder, by name.
std::vector<std::string> infoFiles(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".info") == 0 &&
            allDigits(name.substr(0, name.size() - 5)))
            names.push_back(name);
        if (names.size() >= kMaxInfosPerFolder)
            break;
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// The ".part" files of job number `seq`.
std::vector<std::string> partsOf(const std::string& dir, const std::string& seq)
{
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() > seq.size() + 6 && name.compare(0, seq.size() + 1, seq + "-") == 0 &&
            name.compare(name.size() - 5, 5, ".part") == 0)
            names.push_back(name);
        if (names.size() >= 16)
            break;
    }
    ::closedir(d);
    return names;
}

struct InfoFacts
{
    std::string file;
    std::string dataType;
    bool cutShort = false;
};

// The facts of an info file, or false when it is not one this spooler wrote: the data file
// must be a plain name in the same folder under the same number.
bool readInfo(const std::string& text, const std::string& seq, InfoFacts* facts)
{
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.rfind(std::string(files::kCutShortKey) + "=", 0) == 0) {
            facts->cutShort = true;
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        if (key == "file")
            facts->file = line.substr(eq + 1);
        else if (key == "datatype")
            facts->dataType = line.substr(eq + 1);
    }
    const std::string& f = facts->file;
    const bool known =
        f.size() > 4 && (f.compare(f.size() - 4, 4, ".prn") == 0 || f.compare(f.size() - 4, 4, ".pdf") == 0);
    return known && f.size() <= 255 && f.find('/') == std::string::npos &&
           f.find('\\') == std::string::npos && f.compare(0, seq.size() + 1, seq + "-") == 0;
}

} // namespace

std::vector<std::string> FolderSpooler::recoverInterruptedJobs(const std::string& damagedFolder)
{
    std::vector<std::string> report;
    std::string ignored;
    for (const PrinterInfo& printer : printers(&ignored)) {
        const std::string dir = printerDir(printer.name);
        auto moveAside = [&](const std::string& name) {
            const std::string from = dir + "/" + name;
            const std::string to = damagedFolder + "/" + printer.name + "-" + name;
            std::string error;
            if (!exists(from))
                return;
            if (damagedFolder.empty() || !files::renameNoReplace(from, to, &error))
                report.push_back("cannot move " + from + " aside: " + (error.empty() ? "no folder" : error));
        };
        for (const std::string& infoName : infoFiles(dir)) {
            const std::string seq = infoName.substr(0, infoName.size() - 5);
            const std::string infoPath = dir + "/" + infoName;
            std::string text, error;
            InfoFacts facts;
            if (files::readSmallFile(infoPath, kMaxInfoFile, &text, &error) != files::ReadResult::Ok ||
                !readInfo(text, seq, &facts)) {
                // Its data, whatever the record says, goes with it: nothing that arrived is lost.
                for (const std::string& part : partsOf(dir, seq))
                    moveAside(part);
                moveAside(infoName);
                report.push_back("moved the unreadable job record " + infoPath + " to " + damagedFolder);
                continue;
            }
            const std::string finalPath = dir + "/" + facts.file;
            if (exists(finalPath))
                continue; // a job that ended
            const std::string partName = facts.file.substr(0, facts.file.size() - 4) + ".part";
            const std::string partPath = dir + "/" + partName;
            uint64_t size = 0;
            if (!exists(partPath, &size)) {
                ::unlink(infoPath.c_str());
                report.push_back("removed " + infoPath + ": its job has no data");
                continue;
            }
            if (facts.dataType == "application/pdf") {
                // A copy of a finished PDF that stopped half way; the job it belongs to is
                // whole elsewhere, and this part is of no use.
                ::unlink(partPath.c_str());
                ::unlink(infoPath.c_str());
                report.push_back("removed the partial PDF " + partPath);
                continue;
            }
            bool ok = facts.cutShort ||
                      files::appendCutShortMark(infoPath, "the server ended before the job did", &error);
            if (ok)
                ok = files::renameNoReplace(partPath, finalPath, &error);
            if (ok) {
                report.push_back("finished the raw job " + finalPath + " cut short, with the " +
                                 std::to_string(size) + " bytes that arrived");
            } else {
                moveAside(partName);
                moveAside(infoName);
                report.push_back("moved the raw job " + partPath + " to " + damagedFolder + ": " + error);
            }
        }
    }
    return report;
}

} // namespace platform::spooler
