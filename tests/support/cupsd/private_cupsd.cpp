#include "tests/support/cupsd/private_cupsd.h"

#include "platform/folders/folders.h"

#include <cups/cups.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ts::support {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kStartTimeoutMs = 10000;
constexpr int kToolTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;

std::string findTool(const std::string& name)
{
    std::string path = "/usr/sbin:/sbin:/usr/bin:/bin";
    if (const char* env = std::getenv("PATH"))
        path = std::string(env) + ":" + path;
    std::stringstream parts(path);
    std::string dir;
    while (std::getline(parts, dir, ':')) {
        const std::string candidate = dir + "/" + name;
        if (!dir.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

bool writeText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool socketAnswers(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// Starts `args` with stdout and stderr going to `logPath`; returns the pid or -1.
pid_t spawn(const std::vector<std::string>& args, const std::string& logPath)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits at most `timeoutMs` for `pid` to end; its exit status in `status`.
bool waitForExit(pid_t pid, int timeoutMs, int* status)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const pid_t done = ::waitpid(pid, status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int removeEntry(const char* path, const struct stat*, int, FTW*)
{
    ::remove(path);
    return 0;
}

// Every folder above `path` must be enterable by the scheduler's unprivileged backends.
bool traversableByOthers(const std::string& path, std::string* why)
{
    for (std::string dir = path; !dir.empty() && dir != "/"; dir = dir.substr(0, dir.rfind('/'))) {
        struct stat st
        {
        };
        if (::stat(dir.c_str(), &st) != 0 || !(st.st_mode & S_IXOTH)) {
            *why = dir + " is not enterable by other users (the CUPS backends run as lp)";
            return false;
        }
        if (dir.rfind('/') == 0)
            break;
    }
    return true;
}

} // namespace

bool PrivateCupsd::available(std::string* why)
{
    std::string reason;
    if (findTool("cupsd").empty())
        reason = "cupsd is not installed (Debian package cups)";
    else if (findTool("lpadmin").empty())
        reason = "lpadmin is not installed (Debian package cups-client)";
    else if (::geteuid() != 0)
        reason = "a private cupsd needs root here (its backends switch to user lp)";
    if (reason.empty())
        return true;
    if (why)
        *why = reason;
    return false;
}

bool PrivateCupsd::mustRun()
{
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

std::unique_ptr<PrivateCupsd> PrivateCupsd::start(std::string* error)
{
    if (!available(error))
        return nullptr;
    std::unique_ptr<PrivateCupsd> cupsd(new PrivateCupsd);
    std::string dir = platform::folders::systemTempDir() + "/ts-cupsd.XXXXXX";
    if (!::mkdtemp(dir.data())) {
        if (error)
            *error = "cannot create a folder for cupsd: " + std::string(std::strerror(errno));
        return nullptr;
    }
    cupsd->m_dir = dir;
    ::chmod(dir.c_str(), 0755);
    if (!traversableByOthers(dir, error))
        return nullptr;
    for (const char* sub : {"/spool", "/cache", "/state", "/log"})
        ::mkdir((dir + sub).c_str(), 0755);
    cupsd->m_socketPath = dir + "/cups.sock";
    cupsd->m_port = freePort();

    const std::string files = "FileDevice Yes\n"
                              "ServerRoot " +
                              dir +
                              "\n"
                              "RequestRoot " +
                              dir +
                              "/spool\n"
                              "CacheDir " +
                              dir +
                              "/cache\n"
                              "StateDir " +
                              dir +
                              "/state\n"
                              "ServerBin /usr/lib/cups\n"
                              "DataDir /usr/share/cups\n"
                              "Printcap " +
                              dir +
                              "/printcap\n"
                              "ErrorLog " +
                              dir +
                              "/log/error_log\n"
                              "AccessLog " +
                              dir +
                              "/log/access_log\n"
                              "PageLog " +
                              dir +
                              "/log/page_log\n"
                              "User lp\n"
                              "Group lp\n"
                              "SystemGroup root\n";
    const std::string conf = "LogLevel info\n"
                             "Listen 127.0.0.1:" +
                             std::to_string(cupsd->m_port) +
                             "\n"
                             "Listen " +
                             cupsd->m_socketPath +
                             "\n"
                             "Browsing No\n"
                             "BrowseLocalProtocols none\n"
                             "WebInterface No\n"
                             "MaxJobs 0\n"
                             "PreserveJobHistory No\n"
                             "ErrorPolicy abort-job\n"
                             "<Location />\n"
                             "  Order allow,deny\n"
                             "  Allow all\n"
                             "</Location>\n";
    if (!writeText(dir + "/cups-files.conf", files) || !writeText(dir + "/cupsd.conf", conf)) {
        if (error)
            *error = "cannot write the cupsd configuration in " + dir;
        return nullptr;
    }

    cupsd->m_pid = spawn({findTool("cupsd"), "-f", "-c", dir + "/cupsd.conf", "-s", dir + "/cups-files.conf"},
                         dir + "/log/cupsd.out");
    if (cupsd->m_pid < 0) {
        if (error)
            *error = "cannot start cupsd";
        return nullptr;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (!socketAnswers(cupsd->m_socketPath)) {
        int status = 0;
        if (::waitpid(cupsd->m_pid, &status, WNOHANG) == cupsd->m_pid) {
            cupsd->m_pid = -1;
            if (error)
                *error = "cupsd ended at once: " + readText(dir + "/log/cupsd.out") + cupsd->logTail();
            return nullptr;
        }
        if (Clock::now() >= deadline) {
            if (error)
                *error = "cupsd did not answer within 10 s: " + cupsd->logTail();
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    if (const char* previous = std::getenv("CUPS_SERVER")) {
        cupsd->m_hadServer = true;
        cupsd->m_previousServer = previous;
    }
    cupsd->m_serverSet = true;
    ::setenv("CUPS_SERVER", cupsd->m_socketPath.c_str(), 1);
    cupsSetServer(cupsd->m_socketPath.c_str());
    return cupsd;
}

PrivateCupsd::~PrivateCupsd()
{
    stop();
    m_receivers.clear();
    if (m_serverSet) {
        if (m_hadServer)
            ::setenv("CUPS_SERVER", m_previousServer.c_str(), 1);
        else
            ::unsetenv("CUPS_SERVER");
        cupsSetServer(nullptr);
    }
    if (!m_dir.empty())
        ::nftw(m_dir.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool PrivateCupsd::stop()
{
    if (m_pid < 0)
        return true;
    int status = 0;
    ::kill(m_pid, SIGTERM);
    if (!waitForExit(m_pid, kStopTimeoutMs, &status)) {
        ::kill(m_pid, SIGKILL);
        waitForExit(m_pid, kStopTimeoutMs, &status);
    }
    m_pid = -1;
    return true;
}

bool PrivateCupsd::runTool(const std::vector<std::string>& args, std::string* error) const
{
    std::vector<std::string> command = args;
    command[0] = findTool(args[0]);
    const std::string logPath = m_dir + "/log/tool.out";
    const pid_t pid = spawn(command, logPath);
    int status = 0;
    if (pid < 0) {
        if (error)
            *error = "cannot run " + args[0];
        return false;
    }
    if (!waitForExit(pid, kToolTimeoutMs, &status)) {
        ::kill(pid, SIGKILL);
        waitForExit(pid, kStopTimeoutMs, &status);
        if (error)
            *error = args[0] + " did not end within 10 s";
        return false;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    if (error)
        *error = args[0] + " failed: " + readText(logPath);
    return false;
}

bool PrivateCupsd::addRawQueue(const std::string& name, std::string* error)
{
    return addQueue(name, {}, error);
}

bool PrivateCupsd::addPpdQueue(const std::string& name, const std::string& ppd, std::string* error)
{
    return addQueue(name, ppd, error);
}

bool PrivateCupsd::addQueue(const std::string& name, const std::string& ppd, std::string* error)
{
    auto receiver = QueueReceiver::start(m_dir + "/received-" + name, error);
    if (!receiver)
        return false;
    const std::string uri = "socket://127.0.0.1:" + std::to_string(receiver->port()) + "/?snmp=false";
    std::vector<std::string> args{"lpadmin", "-h", m_socketPath, "-p", name, "-E", "-v", uri};
    if (!ppd.empty()) {
        const std::string path = m_dir + "/" + name + ".ppd";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << ppd;
        out.close();
        if (!out) {
            if (error)
                *error = "cannot write " + path;
            return false;
        }
        args.insert(args.end(), {"-P", path});
    }
    if (!runTool(args, error))
        return false;
    m_receivers[name] = std::move(receiver);
    return true;
}

bool PrivateCupsd::setDefaultQueue(const std::string& name, std::string* error)
{
    return runTool({"lpadmin", "-h", m_socketPath, "-d", name}, error);
}

bool PrivateCupsd::setQueueOptions(const std::string& name, const std::vector<std::string>& options,
                                   std::string* error)
{
    std::vector<std::string> args = {"lpadmin", "-h", m_socketPath, "-p", name};
    for (const std::string& option : options) {
        args.push_back("-o");
        args.push_back(option);
    }
    return runTool(args, error);
}

std::string PrivateCupsd::received(const std::string& name) const
{
    const auto it = m_receivers.find(name);
    return it == m_receivers.end() ? std::string() : it->second->received();
}

bool PrivateCupsd::waitForBytes(const std::string& name, size_t count, int timeoutMs, std::string* data) const
{
    const auto it = m_receivers.find(name);
    return it != m_receivers.end() && it->second->waitForBytes(count, timeoutMs, data);
}

int PrivateCupsd::activeJobs(const std::string& name, std::string* error) const
{
    http_t* http = httpConnect2(m_socketPath.c_str(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1,
                                kToolTimeoutMs, nullptr);
    if (!http) {
        if (error)
            *error = "cannot connect to " + m_socketPath;
        return -1;
    }
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(http, &jobs, name.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(count, jobs);
    httpClose(http);
    if (count < 0 && error)
        *error = cupsLastErrorString();
    return count;
}

bool PrivateCupsd::waitUntilIdle(const std::string& name, int timeoutMs, std::string* error) const
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int active = activeJobs(name, error);
        if (active == 0)
            return true;
        if (active < 0)
            return false;
        if (Clock::now() >= deadline) {
            if (error)
                *error = std::to_string(active) + " job(s) still active on " + name + ": " + logTail();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string PrivateCupsd::logTail() const
{
    const std::string log = readText(m_dir + "/log/error_log");
    return log.size() > 2000 ? log.substr(log.size() - 2000) : log;
}

} // namespace ts::support
