// valdor-host: sends one print job to a Typestone server the way a VALDOR host does.
//
//   valdor-host --host 127.0.0.1 --port 3339 --printer NAME [--password P] [--cols 80]
//               [--rows 58] [--raw] [--doc NAME] [--output NAME] [--version N] [--chunk N]
//               [--reset-after N] [--serve DIR] FILE|-
//
// --serve DIR: while the server prints the job, answer its host file requests on the data
// connection with the regular files of DIR (at most 64, each at most 16 MiB), each under its
// own name and dated by its modification time; the requests are listed when the job ends.
//
// --reset-after N: send only N data bytes, wait half a second, then reset both connections
// (a host cut off in the middle of its job).
//
// Exit status: 0 the job was accepted and all data sent, 1 the server refused the job (its
// reply code is printed), 2 bad arguments, an unreadable file or a connection failure, 3 the
// server ended the job with a reset (it did not print whole; the job log says why), 4 the job
// was reset by --reset-after as asked.

#include "tests/support/host/host_simulator.h"
#include "tests/support/host/job_request.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr size_t kMaxChunk = 16 * 1024 * 1024;
constexpr size_t kMaxJob = size_t(1) << 30; // 1 GiB: more is not a print job

void usage(std::ostream& out)
{
    out << "usage: valdor-host --host ADDRESS --port N --printer NAME [--password P] [--cols N]\n"
           "                   [--rows N] [--raw] [--doc NAME] [--output NAME] [--version N]\n"
           "                   [--chunk N] [--reset-after N] FILE|-\n";
}

std::optional<unsigned long> parseNumber(const std::string& text, unsigned long min, unsigned long max)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned long value = std::stoul(text);
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

bool readInput(const std::string& path, std::vector<uint8_t>* data, std::string* error)
{
    std::ifstream file;
    std::istream* in = &std::cin;
    if (path != "-") {
        file.open(path, std::ios::binary);
        if (!file) {
            *error = "cannot open '" + path + "': " + std::strerror(errno);
            return false;
        }
        in = &file;
    }
    char buf[65536];
    while (*in) {
        in->read(buf, sizeof buf);
        const auto n = static_cast<size_t>(in->gcount());
        if (data->size() + n > kMaxJob) {
            *error = "'" + path + "' is larger than 1 GiB";
            return false;
        }
        data->insert(data->end(), buf, buf + n);
    }
    if (in->bad()) {
        *error = "error reading '" + path + "'";
        return false;
    }
    return true;
}

// The files of `dir` for the data connection; false with `error` set when it cannot be read.
bool loadServedFiles(const std::string& dir, std::map<std::string, valdor::HostFile>* files,
                     std::string* error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (!entry.is_regular_file(ec))
            continue;
        if (files->size() >= 64 || entry.file_size(ec) > (16u << 20)) {
            *error = "'" + dir + "' holds more than 64 files or one larger than 16 MiB";
            return false;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        valdor::HostFile file;
        file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        const auto written = fs::last_write_time(entry.path(), ec);
        const auto since = std::chrono::file_clock::to_sys(written).time_since_epoch();
        file.date = uint32_t(std::chrono::duration_cast<std::chrono::seconds>(since).count());
        (*files)[entry.path().filename().string()] = std::move(file);
    }
    if (ec) {
        *error = "cannot read '" + dir + "': " + ec.message();
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    valdor::JobRequest request;
    valdor::HostOptions options;
    std::string host;
    std::optional<unsigned long> port;
    std::string input;
    bool havePrinter = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                std::cerr << "valdor-host: " << arg << " needs a value\n";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        auto number = [&](unsigned long min, unsigned long max, unsigned long* out) {
            std::string text;
            if (!value(&text))
                return false;
            const auto n = parseNumber(text, min, max);
            if (!n) {
                std::cerr << "valdor-host: " << arg << " takes a number from " << min << " to " << max
                          << ", not '" << text << "'\n";
                return false;
            }
            *out = *n;
            return true;
        };
        unsigned long n = 0;
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            usage(std::cout);
            return 0;
        } else if (arg == "--host") {
            ok = value(&host);
        } else if (arg == "--port") {
            ok = number(1, 65535, &n);
            port = n;
        } else if (arg == "--printer") {
            ok = value(&request.printer);
            havePrinter = true;
        } else if (arg == "--password") {
            ok = value(&request.password);
        } else if (arg == "--cols") {
            ok = number(0, 65535, &n);
            request.cols = static_cast<uint16_t>(n);
        } else if (arg == "--rows") {
            ok = number(0, 65535, &n);
            request.rows = static_cast<uint16_t>(n);
        } else if (arg == "--raw") {
            request.options |= valdor::kOptionRaw;
        } else if (arg == "--doc") {
            ok = value(&request.docName);
        } else if (arg == "--output") {
            ok = value(&request.output);
        } else if (arg == "--version") {
            ok = number(0, 65535, &n);
            request.version = static_cast<uint16_t>(n);
        } else if (arg == "--chunk") {
            ok = number(1, kMaxChunk, &n);
            options.chunkSize = n;
        } else if (arg == "--reset-after") {
            ok = number(0, kMaxJob, &n);
            options.resetAfter = n;
            // The server has the bytes before the reset overtakes them.
            options.beforeReset = [] { std::this_thread::sleep_for(std::chrono::milliseconds(500)); };
        } else if (arg == "--serve") {
            std::string dir;
            std::string problem;
            ok = value(&dir);
            if (ok && !loadServedFiles(dir, &options.hostFiles, &problem)) {
                std::cerr << "valdor-host: " << problem << "\n";
                return 2;
            }
            options.serveHostFiles = true;
            options.closeTimeoutMs = 60000; // the server prints before it lets go
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "valdor-host: unknown option " << arg << "\n";
            ok = false;
        } else if (input.empty()) {
            input = arg;
        } else {
            std::cerr << "valdor-host: only one FILE may be given\n";
            ok = false;
        }
        if (!ok) {
            usage(std::cerr);
            return 2;
        }
    }
    if (host.empty() || !port || !havePrinter || input.empty()) {
        std::cerr
            << "valdor-host: --host, --port, --printer and a FILE (or - for standard input) are needed\n";
        usage(std::cerr);
        return 2;
    }
    for (const std::string& field : valdor::cutFields(request))
        std::cerr << "valdor-host: warning: " << field << " is too long for its field and is cut\n";

    std::vector<uint8_t> data;
    std::string error;
    if (!readInput(input, &data, &error)) {
        std::cerr << "valdor-host: " << error << "\n";
        return 2;
    }

    const valdor::HostSimulator simulator(options);
    const valdor::HostResult result =
        simulator.run(host, static_cast<uint16_t>(*port), valdor::buildHeader(request), data);
    if (result.replied) {
        std::cout << "reply code " << result.replyCode << " (" << valdor::replyCodeText(result.replyCode)
                  << ")";
        if (result.replyCode == valdor::ReplyAccepted)
            std::cout << ", data port " << result.dataPort;
        std::cout << "\n";
    }
    std::cout << "sent " << result.bytesSent << " of " << data.size() << " bytes\n";
    for (const auto& asked : result.fileRequests)
        std::cout << "host file request " << asked.command << " " << asked.name() << "\n";
    if (result.serverReset) {
        std::cerr << "valdor-host: the server reset the connection: the job did not print whole"
                  << (result.error.empty() ? "" : " (" + result.error + ")") << "\n";
        return 3;
    }
    if (!result.error.empty()) {
        std::cerr << "valdor-host: " << result.error << "\n";
        return 2;
    }
    if (result.hostReset) {
        std::cout << "reset the connections after " << result.bytesSent << " bytes\n";
        return 4;
    }
    if (result.replyCode != valdor::ReplyAccepted)
        return 1;
    if (!result.serverClosed)
        std::cerr << "valdor-host: warning: the server did not close the connection after the job\n";
    return 0;
}
