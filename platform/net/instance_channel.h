#pragma once
// Requests to a running instance of a program, addressed by its process id, over a local
// socket that every process of the machine reaches whatever its folders: an abstract Unix
// socket (no file anywhere) named after the application and the process id. Only processes of
// the same user, or root, are heard.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace platform::net {

struct InstanceRequest
{
    uint32_t message = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
};

class InstanceChannel
{
public:
    // Runs on the channel's own thread; it must not block (hand the request on).
    using Handler = std::function<void(const InstanceRequest&)>;

    InstanceChannel() = default;
    ~InstanceChannel();
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

    // Listens as this process's instance of `app`; false with *error when the address cannot
    // be taken. Listening again first stops the earlier channel.
    bool listen(const std::string& app, Handler handler, std::string* error = nullptr);
    void stop();
    bool isListening() const { return m_listenFd >= 0; }

    // Delivers one request to the instance of `app` in process `pid`; false when nobody
    // listens there or it did not take the request within `timeoutMs`.
    static bool send(const std::string& app, uint32_t pid, const InstanceRequest& request, int timeoutMs);

    // The abstract address (without its leading NUL byte).
    static std::string address(const std::string& app, uint32_t pid);

private:
    void serve();

    int m_listenFd = -1;
    int m_stopPipe[2] = {-1, -1};
    Handler m_handler;
    std::thread m_thread;
};

} // namespace platform::net
