#include "platform/sysinfo/net_adapters.h"
#include "platform/text/hex_digit.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace platform::sysinfo {
namespace {

constexpr unsigned long kIffLoopback = 0x8;
constexpr int kArphrdLoopback = 772;

std::string firstLine(const std::filesystem::path& p)
{
    std::ifstream in(p);
    std::string line;
    if (in)
        std::getline(in, line);
    return line;
}

} // namespace

std::vector<uint8_t> parseHardwareAddress(const std::string& text)
{
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < text.size() && out.size() < 32) {
        if (i + 1 >= text.size())
            return {};
        const int hi = platform::text::hexDigit(text[i]);
        const int lo = platform::text::hexDigit(text[i + 1]);
        if (hi < 0 || lo < 0)
            return {};
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
        i += 2;
        if (i == text.size())
            break;
        if (text[i] != ':')
            return {};
        ++i;
        if (i == text.size())
            return {};
    }
    return i == text.size() ? out : std::vector<uint8_t>{};
}

std::vector<NetAdapter> netAdapters(const std::string& root)
{
    namespace fs = std::filesystem;
    std::vector<NetAdapter> list;
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        NetAdapter a;
        a.name = it->path().filename().string();
        a.address = parseHardwareAddress(firstLine(it->path() / "address"));
        const std::string flags = firstLine(it->path() / "flags");
        const std::string type = firstLine(it->path() / "type");
        unsigned long f = 0;
        try {
            f = flags.empty() ? 0 : std::stoul(flags, nullptr, 0);
        } catch (...) {
            f = 0;
        }
        a.loopback = (f & kIffLoopback) != 0 || type == std::to_string(kArphrdLoopback);
        std::error_code dec;
        a.physical = fs::exists(it->path() / "device", dec);
        list.push_back(std::move(a));
    }
    std::sort(list.begin(), list.end(),
              [](const NetAdapter& x, const NetAdapter& y) { return x.name < y.name; });
    return list;
}

} // namespace platform::sysinfo
