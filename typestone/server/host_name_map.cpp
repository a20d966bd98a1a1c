#include "typestone/server/host_name_map.h"

namespace typestone {
namespace {

struct Split3
{
    std::string p1, p2, p3;
    bool hasSecondDot = false;
};

// At the first and the second dot.
Split3 split3(const std::string& name)
{
    Split3 s;
    const size_t d1 = name.find('.');
    if (d1 == std::string::npos) {
        s.p1 = name;
        return s;
    }
    s.p1 = name.substr(0, d1);
    const size_t d2 = name.find('.', d1 + 1);
    if (d2 == std::string::npos) {
        s.p2 = name.substr(d1 + 1);
        return s;
    }
    s.p2 = name.substr(d1 + 1, d2 - d1 - 1);
    s.p3 = name.substr(d2 + 1);
    s.hasSecondDot = true;
    return s;
}

bool hasEq(const std::string& s)
{
    return s.find('=') != std::string::npos;
}

} // namespace

bool IsSafeFilePart(const std::string& part)
{
    if (part.empty() || part == "." || part.find("..") != std::string::npos)
        return false;
    for (unsigned char c : part)
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\')
            return false;
    return true;
}

bool CheckHostName(const std::string& hostName)
{
    if (hasEq(hostName))
        return false;
    const size_t colon = hostName.find(':');
    return colon == std::string::npos || hostName.size() - colon - 1 <= 1;
}

std::optional<std::string> MapHostName(const std::string& hostName, const std::string& localTarget)
{
    std::string host = hostName.substr(0, hostName.find(':'));
    const size_t slash = host.rfind('/');
    const std::string rest = slash == std::string::npos ? host : host.substr(slash + 1);
    Split3 p = split3(rest);
    if (!p.hasSecondDot)
        p.p3 = p.p1;

    const size_t tslash = localTarget.rfind('/');
    const std::string dir = tslash == std::string::npos ? std::string() : localTarget.substr(0, tslash + 1);
    const std::string file = tslash == std::string::npos ? localTarget : localTarget.substr(tslash + 1);
    const size_t dot = file.find('.');
    const std::string t1 = file.substr(0, dot);
    const std::string t2 = dot == std::string::npos ? std::string() : file.substr(dot + 1);

    const bool fromSource = t1.empty() || hasEq(t1);
    const std::string base = fromSource ? p.p3 : t1;
    const std::string ext = (t1.empty() || hasEq(t2)) ? p.p2 : t2;
    const std::string name = ext.empty() ? base : base + "." + ext;
    if (!IsSafeFilePart(name))
        return std::nullopt;
    return dir + name;
}

std::optional<std::string> MapWindowsName(const std::string& localName, const std::string& hostTarget)
{
    const size_t slash = localName.rfind('/');
    const std::string file = slash == std::string::npos ? localName : localName.substr(slash + 1);
    const size_t dot = file.find('.');
    const std::string w1 = file.substr(0, dot);
    const std::string w2 = dot == std::string::npos ? std::string() : file.substr(dot + 1);

    const size_t colon = hostTarget.find(':');
    const std::string drive = colon == std::string::npos ? std::string() : hostTarget.substr(colon);
    const std::string path = hostTarget.substr(0, colon);
    const size_t hslash = path.rfind('/');
    const std::string dir = hslash == std::string::npos ? std::string() : path.substr(0, hslash + 1);
    const Split3 h = split3(hslash == std::string::npos ? path : path.substr(hslash + 1));

    std::string name = dir;
    name += (h.p1.empty() || hasEq(h.p1)) ? w1 : h.p1;
    const std::string second = (h.p1.empty() || hasEq(h.p2)) ? w2 : h.p2;
    if (!second.empty())
        name += "." + second;
    if (!h.p3.empty()) {
        if (!hasEq(h.p3))
            name += "." + h.p3;
        else if (!(!h.p1.empty() && hasEq(h.p1) && !h.p2.empty() && hasEq(h.p2)))
            name += "." + w1;
    }
    name += drive;
    if (!CheckHostName(name) || name.empty())
        return std::nullopt;
    return name;
}

} // namespace typestone
