#include "loopback_http_server.h"

#include "platform/net/socket.h"
#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"

#include <algorithm>
#include <cctype>

namespace testsupport {
namespace {

constexpr size_t kMaxHead = 65536;
constexpr size_t kMaxBody = 1 << 20;
constexpr int kIoMs = 5000;

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t");
    const auto e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(std::chrono::seconds lifetime)
    : m_deadline(std::chrono::steady_clock::now() + lifetime)
{
    platform::net::SocketResult listener = platform::net::listenTcp("127.0.0.1", 0, 64, false);
    if (!listener.ok())
        return;
    m_port = listener.local.port;
    m_listenFd = listener.socket.release();
    m_acceptor = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    m_stop = true;
    if (m_acceptor.joinable())
        m_acceptor.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(m_mutex);
        workers.swap(m_workers);
    }
    for (std::thread& t : workers)
        t.join();
    platform::net::Socket closer(m_listenFd);
}

std::string LoopbackHttpServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void LoopbackHttpServer::serve(const std::string& path, HttpResponse response)
{
    std::lock_guard lock(m_mutex);
    m_routes[path] = std::move(response);
}

std::vector<HttpRequest> LoopbackHttpServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

size_t LoopbackHttpServer::count(const std::string& path) const
{
    std::lock_guard lock(m_mutex);
    return size_t(std::count_if(m_requests.begin(), m_requests.end(), [&](const HttpRequest& r) {
        return r.target.substr(0, r.target.find('?')) == path;
    }));
}

void LoopbackHttpServer::clearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

void LoopbackHttpServer::acceptLoop()
{
    platform::net::Socket listener(m_listenFd);
    while (!m_stop && std::chrono::steady_clock::now() < m_deadline) {
        platform::net::AcceptResult a = platform::net::acceptWithin(listener, 100, &m_stop);
        if (!a.ok())
            continue;
        const int fd = a.socket.release();
        std::lock_guard lock(m_mutex);
        m_workers.emplace_back([this, fd] { handle(fd); });
    }
    listener.release();
}

void LoopbackHttpServer::handle(int fd)
{
    platform::net::Socket sock(fd);
    std::string data;
    char buf[4096];
    size_t headEnd = std::string::npos;
    while (!m_stop && (headEnd = data.find("\r\n\r\n")) == std::string::npos && data.size() < kMaxHead) {
        const platform::net::IoResult r = platform::net::receiveSome(sock, buf, sizeof buf, kIoMs);
        if (!r.ok())
            return;
        data.append(buf, r.bytes);
    }
    if (headEnd == std::string::npos)
        return;
    HttpRequest req;
    const std::string head = data.substr(0, headEnd);
    size_t lineEnd = head.find("\r\n");
    const std::string first = head.substr(0, lineEnd);
    const auto sp1 = first.find(' ');
    const auto sp2 = first.find(' ', sp1 == std::string::npos ? 0 : sp1 + 1);
    if (sp1 == std::string::npos || sp2 == std::string::npos)
        return;
    req.method = first.substr(0, sp1);
    req.target = first.substr(sp1 + 1, sp2 - sp1 - 1);
    while (lineEnd != std::string::npos && lineEnd < head.size()) {
        const size_t next = head.find("\r\n", lineEnd + 2);
        const std::string line =
            head.substr(lineEnd + 2, next == std::string::npos ? std::string::npos : next - lineEnd - 2);
        const auto colon = line.find(':');
        if (colon != std::string::npos)
            req.headers[lower(trim(line.substr(0, colon)))] = trim(line.substr(colon + 1));
        lineEnd = next;
    }
    size_t length = 0;
    if (auto it = req.headers.find("content-length"); it != req.headers.end())
        length = std::min<size_t>(std::strtoull(it->second.c_str(), nullptr, 10), kMaxBody);
    req.body = data.substr(headEnd + 4);
    while (!m_stop && req.body.size() < length) {
        const platform::net::IoResult r = platform::net::receiveSome(sock, buf, sizeof buf, kIoMs);
        if (!r.ok())
            break;
        req.body.append(buf, r.bytes);
    }
    req.body.resize(std::min(req.body.size(), length));

    HttpResponse resp;
    resp.status = 404;
    resp.body = "<html>not found</html>";
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(req);
        const std::string path = req.target.substr(0, req.target.find('?'));
        if (auto it = m_routes.find(path); it != m_routes.end())
            resp = it->second;
    }
    std::string out = "HTTP/1.1 " + std::to_string(resp.status) + " " + reason(resp.status) + "\r\n";
    out += "Content-Type: " + resp.contentType + "\r\nConnection: close\r\n";
    if (!resp.location.empty())
        out += "Location: " + resp.location + "\r\n";
    if (resp.contentLength)
        out += "Content-Length: " +
               std::to_string(resp.closeEarly && resp.announcedLength ? resp.announcedLength
                                                                      : resp.body.size()) +
               "\r\n";
    out += "\r\n";
    if (!platform::net::sendAll(sock, out.data(), out.size(), kIoMs).ok())
        return;
    if (req.method == "HEAD")
        return;
    const size_t piece = resp.trickleBytes ? resp.trickleBytes : resp.body.size();
    for (size_t at = 0; at < resp.body.size() && !m_stop; at += piece) {
        const size_t n = std::min(piece, resp.body.size() - at);
        if (!platform::net::sendAll(sock, resp.body.data() + at, n, kIoMs).ok())
            return;
        if (resp.trickleBytes) {
            // Short sleeps, so a stopping server ends within a moment.
            for (int waited = 0; waited < resp.trickleDelayMs && !m_stop; waited += 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    platform::net::shutdownSend(sock);
}

} // namespace testsupport
