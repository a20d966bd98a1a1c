#include "platform/spooler/folder_spooler.h"

#include "platform/folders/folders.h"
#include "platform/spooler/folder_raw_job.h"
#include "platform/spooler/spool_files.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::spooler {

namespace {

constexpr size_t kMaxSettingsFile = 64 * 1024;
constexpr size_t kMaxDefaultFile = 4096;
constexpr size_t kMaxFileNamePart = 100;
constexpr int kMaxReserveRounds = 100;
constexpr int kMaxProbesPerRound = 1000;

// The document name as part of a file name: letters, digits, '.', '_' and '-' stay, every
// other byte becomes '_'.
std::string fileNamePart(const std::string& documentName)
{
    std::string out;
    for (char c : documentName) {
        if (out.size() >= kMaxFileNamePart)
            break;
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '.' || c == '_' || c == '-';
        out += keep ? c : '_';
    }
    return out.empty() ? "job" : out;
}

std::string sequenceText(uint64_t seq)
{
    std::string digits = std::to_string(seq);
    if (digits.size() < 6)
        digits.insert(0, 6 - digits.size(), '0');
    return digits;
}

bool isDirectory(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Copies everything from `in` to `out`.
bool copyAll(int in, int out, std::string* error)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (error)
                *error = files::errnoText("cannot read the PDF file", errno);
            return false;
        }
        if (n == 0)
            return true;
        if (!files::writeAll(out, buffer, static_cast<size_t>(n), error))
            return false;
    }
}

// Printer names compare as hosts and CUPS compare them: ASCII letters without regard to case.
bool sameNameNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

FolderSpooler::FolderSpooler(std::string root) : m_root(std::move(root)) {}

std::unique_ptr<FolderSpooler> FolderSpooler::open(const std::string& root, std::string* error)
{
    if (root.empty() || root.front() != '/') {
        if (error)
            *error = "the spool folder must be an absolute path: \"" + root + "\"";
        return nullptr;
    }
    std::string clean = root;
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    if (!isDirectory(clean) && !platform::folders::makePath(clean, 0700, error))
        return nullptr;
    if (!isDirectory(clean)) {
        if (error)
            *error = clean + " is not a folder";
        return nullptr;
    }
    std::unique_ptr<FolderSpooler> spooler(new FolderSpooler(clean));
    spooler->m_watch = std::make_unique<FolderWatch>(clean);
    return spooler;
}

bool FolderSpooler::isValidPrinterName(const std::string& name, std::string* error)
{
    std::string problem;
    if (name.empty())
        problem = "a printer name must not be empty";
    else if (name.size() > 255)
        problem = "a printer name must be at most 255 bytes";
    else if (name == "." || name == "..")
        problem = "\"" + name + "\" is not a printer name";
    else if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
        problem = "a printer name must not contain '/' or NUL: \"" + name + "\"";
    if (problem.empty())
        return true;
    if (error)
        *error = problem;
    return false;
}

bool FolderSpooler::resolvePrinter(const std::string& name, std::string* folder, std::string* error) const
{
    if (!isValidPrinterName(name, error))
        return false;
    if (isDirectory(printerDir(name))) {
        *folder = name;
        return true;
    }
    std::vector<std::string> matches;
    if (DIR* dir = ::opendir(m_root.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string candidate = entry->d_name;
            if (candidate != "." && candidate != ".." && sameNameNoCase(candidate, name) &&
                isDirectory(printerDir(candidate)))
                matches.push_back(candidate);
        }
        ::closedir(dir);
    }
    if (matches.size() == 1) {
        *folder = matches.front();
        return true;
    }
    if (error) {
        if (matches.empty()) {
            *error = "no printer \"" + name + "\" in " + m_root;
        } else {
            std::sort(matches.begin(), matches.end());
            std::string list;
            for (const std::string& m : matches)
                list += (list.empty() ? "\"" : ", \"") + m + "\"";
            *error = "printer \"" + name + "\" matches several folders of " + m_root +
                     " that differ only in case (" + list + "); rename all but one";
        }
    }
    return false;
}

bool FolderSpooler::addPrinter(const std::string& name, std::string* error)
{
    if (!isValidPrinterName(name, error))
        return false;
    const std::string dir = printerDir(name);
    if (::mkdir(dir.c_str(), 0700) == 0 || (errno == EEXIST && isDirectory(dir)))
        return true;
    if (error)
        *error = files::errnoText("cannot create the printer folder " + dir, errno);
    return false;
}

std::string FolderSpooler::description() const
{
    return "folder spooler at " + m_root;
}

std::string FolderSpooler::defaultFileName() const
{
    std::string text;
    if (files::readSmallFile(m_root + "/.default", kMaxDefaultFile, &text, nullptr) != files::ReadResult::Ok)
        return {};
    text = text.substr(0, text.find('\n'));
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

std::string FolderSpooler::defaultPrinterName(const std::vector<std::string>& names) const
{
    const std::string text = defaultFileName();
    if (std::find(names.begin(), names.end(), text) != names.end())
        return text;
    return names.empty() ? std::string() : names.front();
}

PrinterInfo FolderSpooler::folderInfo(const std::string& name, bool isDefault) const
{
    PrinterInfo info;
    info.name = name;
    info.makeAndModel = "Folder printer";
    info.deviceUri = "file://" + printerDir(name);
    info.isDefault = isDefault;
    info.accepting = ::access(printerDir(name).c_str(), W_OK | X_OK) == 0;
    info.driverVersion = 3;
    return info;
}

std::vector<PrinterInfo> FolderSpooler::readPrinters(std::string* error) const
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(m_root.c_str());
    if (!dir) {
        if (error)
            *error = files::errnoText("cannot read the spool folder " + m_root, errno);
        return {};
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && isDirectory(printerDir(name)))
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());

    const std::string defaultName = defaultPrinterName(names);
    std::vector<PrinterInfo> result;
    for (const std::string& name : names)
        result.push_back(folderInfo(name, name == defaultName));
    return result;
}

bool FolderSpooler::syncLocked()
{
    if (!m_watch)
        return false;
    if (m_watch->takeChanges()) {
        m_kept.reset();
        ++m_version;
    }
    return m_watch->active();
}

bool FolderSpooler::keepCurrentLocked()
{
    // The changes are taken before the folder is read: one made while it is read stays queued
    // and makes the next look read it again.
    if (!syncLocked())
        return false;
    if (m_kept)
        return true;
    std::string error;
    std::vector<PrinterInfo> list = readPrinters(&error);
    if (!error.empty())
        return false;
    m_kept = std::move(list);
    return true;
}

std::optional<std::vector<PrinterInfo>> FolderSpooler::keptPrinters()
{
    std::lock_guard lock(m_listMutex);
    if (!keepCurrentLocked())
        return std::nullopt;
    return m_kept;
}

std::optional<PrinterInfo> FolderSpooler::keptPrinter(const std::string& name)
{
    std::lock_guard lock(m_listMutex);
    if (!keepCurrentLocked())
        return std::nullopt;
    const PrinterInfo* match = nullptr;
    int matches = 0;
    for (const PrinterInfo& info : *m_kept) {
        if (info.name == name)
            return info;
        if (sameNameNoCase(info.name, name)) {
            match = &info;
            ++matches;
        }
    }
    // Not among the kept ones, or several by case: the folder itself answers, with the reason.
    if (matches != 1)
        return std::nullopt;
    return *match;
}

std::vector<PrinterInfo> FolderSpooler::printers(std::string* error)
{
    if (std::optional<std::vector<PrinterInfo>> kept = keptPrinters())
        return std::move(*kept);
    return readPrinters(error);
}

std::optional<uint64_t> FolderSpooler::printersVersion()
{
    std::lock_guard lock(m_listMutex);
    if (!syncLocked())
        return std::nullopt;
    return m_version;
}

std::optional<PrinterInfo> FolderSpooler::printer(const std::string& name, std::string* error)
{
    if (!isValidPrinterName(name, error))
        return std::nullopt;
    if (std::optional<PrinterInfo> kept = keptPrinter(name))
        return kept;
    // One printer's folder, not the whole list: a job's start costs the same with one
    // printer folder as with hundreds. When ".default" names no printer folder, the default is
    // the first folder by name, which only the names of the others can tell.
    std::string folder;
    if (!resolvePrinter(name, &folder, error))
        return std::nullopt;
    const std::string named = defaultFileName();
    if (isValidPrinterName(named, nullptr) && isDirectory(printerDir(named)))
        return folderInfo(folder, named == folder);
    return folderInfo(folder, !folderBefore(folder));
}

bool FolderSpooler::folderBefore(const std::string& folder) const
{
    // The names alone, and a look at an entry only when its name sorts first: most of them are
    // printer folders, so the first such look usually settles it.
    bool found = false;
    if (DIR* dir = ::opendir(m_root.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string candidate = entry->d_name;
            if (candidate != "." && candidate != ".." && candidate < folder &&
                isDirectory(printerDir(candidate))) {
                found = true;
                break;
            }
        }
        ::closedir(dir);
    }
    return found;
}

uint64_t FolderSpooler::nextSequence(const std::string& dir, bool rescan)
{
    std::lock_guard lock(m_mutex);
    auto it = m_nextSequence.find(dir);
    if (it == m_nextSequence.end() || rescan) {
        // Continue after the highest number in use, whoever wrote it.
        uint64_t highest = 0;
        if (DIR* d = ::opendir(dir.c_str())) {
            while (const dirent* entry = ::readdir(d)) {
                uint64_t value = 0;
                int digits = 0;
                for (const char* p = entry->d_name; *p >= '0' && *p <= '9' && digits < 18; ++p, ++digits)
                    value = value * 10 + static_cast<uint64_t>(*p - '0');
                if (digits > 0)
                    highest = std::max(highest, value);
            }
            ::closedir(d);
        }
        const uint64_t current = it == m_nextSequence.end() ? 0 : it->second;
        it = m_nextSequence.insert_or_assign(dir, std::max(highest + 1, current)).first;
    }
    return it->second++;
}

bool FolderSpooler::reserveJob(const std::string& printer, const std::string& documentName,
                               const char* extension, const std::string& infoLines, JobFiles* job,
                               std::string* error)
{
    const std::string dir = printerDir(printer);
    const std::string namePart = fileNamePart(documentName);
    for (int round = 0; round < kMaxReserveRounds; ++round) {
        for (int probe = 0; probe < kMaxProbesPerRound; ++probe) {
            const std::string seq = sequenceText(nextSequence(dir, round > 0 && probe == 0));
            // The info file reserves the number: only one job, of any process, can create it.
            const std::string infoPath = dir + "/" + seq + ".info";
            const int infoFd =
                ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (infoFd < 0) {
                if (errno == EEXIST)
                    continue;
                if (error)
                    *error = files::errnoText("cannot create a job in " + dir, errno);
                return false;
            }
            const std::string base = dir + "/" + seq + "-" + namePart;
            const std::string partPath = base + ".part";
            const std::string finalPath = base + extension;
            struct stat st
            {
            };
            int fd = -1;
            int err = EEXIST;
            if (::lstat(finalPath.c_str(), &st) != 0) {
                fd = ::open(partPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
                err = errno;
            }
            if (fd < 0) {
                ::close(infoFd);
                ::unlink(infoPath.c_str());
                // A stray file under this number: leave it alone and take the next number.
                if (err == EEXIST)
                    continue;
                if (error)
                    *error = files::errnoText("cannot create " + partPath, err);
                return false;
            }
            const size_t slash = finalPath.rfind('/');
            const std::string info =
                "file=" + files::escapeValue(finalPath.substr(slash + 1)) + "\n" + infoLines;
            std::string writeError;
            const bool written = files::writeAll(infoFd, info.data(), info.size(), &writeError);
            ::close(infoFd);
            if (!written) {
                ::close(fd);
                ::unlink(partPath.c_str());
                ::unlink(infoPath.c_str());
                if (error)
                    *error = infoPath + ": " + writeError;
                return false;
            }
            *job = JobFiles{fd, partPath, finalPath, infoPath};
            return true;
        }
    }
    if (error)
        *error = "no free job number in " + dir;
    return false;
}

std::unique_ptr<RawJob> FolderSpooler::startRawJob(const std::string& printer,
                                                   const std::string& documentName,
                                                   const std::string& dataType, std::string* error)
{
    if (!isRawDataType(dataType)) {
        if (error)
            *error = "unsupported data type \"" + dataType + "\" for a raw job";
        return nullptr;
    }
    std::string folder;
    if (!resolvePrinter(printer, &folder, error))
        return nullptr;
    const std::string infoLines = "printer=" + files::escapeValue(folder) +
                                  "\ndocument=" + files::escapeValue(documentName) +
                                  "\ndatatype=" + files::escapeValue(dataType) + "\n";
    JobFiles job;
    if (!reserveJob(folder, documentName, ".prn", infoLines, &job, error))
        return nullptr;
    return std::make_unique<FolderRawJob>(job.fd, job.partPath, job.finalPath, job.infoPath);
}

// Copies the file open as `in` (closed here) into the reserved job and puts it in place: the
// job is there whole, or not at all.
bool FolderSpooler::fillJob(int in, const JobFiles& job, std::string* error)
{
    std::string problem;
    bool ok = copyAll(in, job.fd, &problem);
    ::close(in);
    if (ok && ::fsync(job.fd) != 0) {
        problem = files::errnoText("cannot flush " + job.partPath, errno);
        ok = false;
    }
    if (::close(job.fd) != 0 && ok) {
        problem = files::errnoText("cannot close " + job.partPath, errno);
        ok = false;
    }
    if (ok)
        ok = files::renameNoReplace(job.partPath, job.finalPath, &problem);
    if (!ok) {
        ::unlink(job.partPath.c_str());
        ::unlink(job.infoPath.c_str());
        if (error)
            *error = problem;
    }
    return ok;
}

bool FolderSpooler::submitPdf(const std::string& printer, const std::string& documentName,
                              const std::string& pdfFilePath, const PrintOptions& options, std::string* error)
{
    std::string folder;
    if (!options.check(error) || !resolvePrinter(printer, &folder, error))
        return false;
    const int in = files::openPdf(pdfFilePath, error);
    if (in < 0)
        return false;

    std::string infoLines = "printer=" + files::escapeValue(folder) +
                            "\ndocument=" + files::escapeValue(documentName) + "\ndatatype=application/pdf\n";
    if (options.media)
        infoLines += "media=" + *options.media + "\n";
    if (options.orientation)
        infoLines += std::string("orientation=") + keyword(*options.orientation) + "\n";
    if (options.copies)
        infoLines += "copies=" + std::to_string(*options.copies) + "\n";
    if (options.sides)
        infoLines += std::string("sides=") + keyword(*options.sides) + "\n";
    if (options.colorMode)
        infoLines += std::string("color-mode=") + keyword(*options.colorMode) + "\n";
    if (options.quality)
        infoLines += std::string("quality=") + keyword(*options.quality) + "\n";
    if (options.resolution)
        infoLines += "resolution=" + resolutionText(*options.resolution) + "\n";
    if (options.cutShort)
        infoLines += "cut-short=" + files::escapeValue(*options.cutShort) + "\n";

    JobFiles job;
    if (!reserveJob(folder, documentName, ".pdf", infoLines, &job, error)) {
        ::close(in);
        return false;
    }
    return fillJob(in, job, error);
}

bool FolderSpooler::submitDocument(const std::string& printer, const std::string& documentName,
                                   const std::string& path, const std::string& mimeType, std::string* error)
{
    if (mimeType != "text/plain")
        return Spooler::submitDocument(printer, documentName, path, mimeType, error);
    std::string folder;
    if (!resolvePrinter(printer, &folder, error))
        return false;
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st
    {
    };
    if (in < 0 || ::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error)
            *error = path + " is not a regular file that can be read";
        if (in >= 0)
            ::close(in);
        return false;
    }
    const std::string infoLines = "printer=" + files::escapeValue(folder) +
                                  "\ndocument=" + files::escapeValue(documentName) +
                                  "\ndatatype=text/plain\n";
    JobFiles job;
    if (!reserveJob(folder, documentName, ".txt", infoLines, &job, error)) {
        ::close(in);
        return false;
    }
    return fillJob(in, job, error);
}

std::optional<PrinterDefaults> FolderSpooler::defaults(const std::string& printer, std::string* error)
{
    std::string folder;
    if (!resolvePrinter(printer, &folder, error))
        return std::nullopt;
    const std::string path = printerDir(folder) + "/.settings";
    std::string text;
    switch (files::readSmallFile(path, kMaxSettingsFile, &text, error)) {
    case files::ReadResult::Missing:
        return PrinterDefaults();
    case files::ReadResult::Failed:
        return std::nullopt;
    case files::ReadResult::Ok:
        break;
    }
    PrinterDefaults result;
    std::string problem;
    if (!parseDefaults(text, &result, &problem)) {
        if (error)
            *error = path + ": " + problem;
        return std::nullopt;
    }
    return result;
}

bool FolderSpooler::saveDefaults(const std::string& printer, const PrinterDefaults& defaults,
                                 std::string* error)
{
    std::string folder;
    if (!checkDefaults(defaults, error) || !resolvePrinter(printer, &folder, error))
        return false;
    return files::replaceFile(printerDir(folder) + "/.settings", formatDefaults(defaults), error);
}

std::vector<std::string> FolderSpooler::startupReport()
{
    std::vector<std::string> lines;
    const std::vector<PrinterInfo> found = printers();
    if (found.empty())
        lines.push_back("no printer yet: make a folder in " + m_root + " for each printer");
    for (const PrinterInfo& p : found)
        lines.push_back("jobs for printer \"" + p.name + "\" land in " + m_root + "/" + p.name);
    return lines;
}

} // namespace platform::spooler
