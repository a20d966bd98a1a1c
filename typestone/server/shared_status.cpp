#include "typestone/server/shared_status.h"

#include "typestone/server/astcp_thread.h"
#include "typestone/server/connection_list.h"

#include <algorithm>

namespace typestone {
namespace {

std::string record(const ConnectionStatus& c)
{
    std::string r = c.printer;
    r += '\0';
    r += c.peer;
    r += '\0';
    r += std::to_string(c.bytesReceived) + " " + (c.running ? "1 " : "0 ") + (c.printerOpen ? "1 " : "0 ");
    return r;
}

} // namespace

std::vector<char> FormatSharedStatus(const std::vector<ConnectionStatus>& connections, size_t capacity)
{
    std::vector<std::string> records;
    records.reserve(connections.size());
    for (const ConnectionStatus& c : connections)
        records.push_back(record(c));
    // The most leading records that fit together with their count.
    size_t count = records.size();
    for (;; --count) {
        size_t total = std::to_string(count).size() + 1;
        for (size_t i = 0; i < count; ++i)
            total += records[i].size();
        if (total <= capacity || count == 0)
            break;
    }
    std::string text = std::to_string(count) + " ";
    for (size_t i = 0; i < count; ++i)
        text += records[i];
    std::vector<char> image(capacity, '\0');
    std::copy_n(text.begin(), std::min(text.size(), capacity), image.begin());
    return image;
}

std::vector<ConnectionStatus> CollectStatus(const ConnectionList& list)
{
    std::vector<ConnectionStatus> out;
    list.ForEach([&out](const CASTCPThread& c) {
        ConnectionStatus s;
        s.printer = c.PrinterName();
        s.peer = c.PeerName();
        s.bytesReceived = c.BytesReceived();
        s.running = c.IsRunning();
        s.printerOpen = c.IsPrinterOpen();
        out.push_back(std::move(s));
    });
    return out;
}

} // namespace typestone
