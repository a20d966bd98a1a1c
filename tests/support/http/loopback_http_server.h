#pragma once
// A small HTTP/1.1 server for tests: bound to 127.0.0.1 on a free port, it records every
// request and answers each path from a script (status, body, with or without Content-Length,
// a redirect, an early close, a slow trickle). Each connection gets one answer and is closed.
// It stops when destroyed, and by itself after its lifetime, so a test never leaves it behind.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct HttpResponse
{
    int status = 200;
    std::string body;
    bool contentLength = true;  // send Content-Length (else the close ends the body)
    size_t announcedLength = 0; // with closeEarly: the length announced (else body size)
    bool closeEarly = false;    // close after the body although more was announced
    std::string location;       // sent as Location (for 3xx)
    size_t trickleBytes = 0;    // > 0: send the body in pieces of this size ...
    int trickleDelayMs = 0;     // ... with this pause between them
    std::string contentType = "text/plain";
};

// A plain answer with a status and a body.
inline HttpResponse page(int status, std::string body)
{
    HttpResponse r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

struct HttpRequest
{
    std::string method;
    std::string target;                         // path and query as sent
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
};

class LoopbackHttpServer
{
public:
    explicit LoopbackHttpServer(std::chrono::seconds lifetime = std::chrono::seconds(120));
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool ok() const { return m_port != 0; }
    uint16_t port() const { return m_port; }
    // "http://127.0.0.1:PORT" followed by `path`.
    std::string url(const std::string& path) const;

    // Answers requests whose path (the target before any '?') is `path`; unknown paths get 404.
    void serve(const std::string& path, HttpResponse response);
    std::vector<HttpRequest> requests() const;
    // Requests whose path is `path`.
    size_t count(const std::string& path) const;
    void clearRequests();

private:
    void acceptLoop();
    void handle(int fd);

    std::atomic<bool> m_stop{false};
    uint16_t m_port = 0;
    int m_listenFd = -1;
    std::chrono::steady_clock::time_point m_deadline;
    mutable std::mutex m_mutex;
    std::map<std::string, HttpResponse> m_routes;
    std::vector<HttpRequest> m_requests;
    std::vector<std::thread> m_workers;
    std::thread m_acceptor;
};

} // namespace testsupport
