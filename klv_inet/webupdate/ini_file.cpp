#include "klv_inet/webupdate/ini_file.h"

#include <QFile>

#include <cctype>

namespace klv {
namespace {

std::string fold(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view unquote(std::string_view s)
{
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

} // namespace

IniFile IniFile::parse(std::string_view bytes)
{
    IniFile file;
    if (bytes.size() > kMaxBytes)
        return file;
    Keys* current = nullptr;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string_view line = trim(bytes.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            const std::string name =
                fold(trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1)));
            // A section seen before keeps its first body; the later one is skipped.
            const auto [it, fresh] = file.m_sections.try_emplace(name);
            current = fresh ? &it->second : nullptr;
            continue;
        }
        const size_t eq = line.find('=');
        if (!current || eq == std::string_view::npos)
            continue;
        const std::string_view key = trim(line.substr(0, eq));
        if (key.empty())
            continue;
        std::string_view value = unquote(trim(line.substr(eq + 1)));
        if (value.size() > kMaxValue)
            value = value.substr(0, kMaxValue);
        current->try_emplace(fold(key), std::string(value));
    }
    return file;
}

std::optional<IniFile> IniFile::load(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = f.read(qint64(kMaxBytes) + 1);
    if (size_t(bytes.size()) > kMaxBytes)
        return std::nullopt;
    return parse(std::string_view(bytes.constData(), size_t(bytes.size())));
}

bool IniFile::hasSection(std::string_view section) const
{
    return m_sections.count(fold(section)) != 0;
}

std::string IniFile::value(std::string_view section, std::string_view key, std::string_view fallback) const
{
    const auto s = m_sections.find(fold(section));
    if (s == m_sections.end())
        return std::string(fallback);
    const auto k = s->second.find(fold(key));
    return k == s->second.end() ? std::string(fallback) : k->second;
}

uint32_t IniFile::number(std::string_view section, std::string_view key, uint32_t fallback) const
{
    const std::string v = value(section, key);
    size_t i = 0;
    const bool negative = i < v.size() && v[i] == '-';
    if (negative || (i < v.size() && v[i] == '+'))
        ++i;
    if (i >= v.size() || !std::isdigit(static_cast<unsigned char>(v[i])))
        return fallback;
    uint64_t n = 0;
    for (; i < v.size() && std::isdigit(static_cast<unsigned char>(v[i])); ++i)
        n = std::min<uint64_t>(n * 10 + uint64_t(v[i] - '0'), 0xFFFFFFFFu);
    const uint32_t out = static_cast<uint32_t>(n);
    return negative ? 0u - out : out;
}

int KlvFuzzIniFile(const uint8_t* data, size_t size)
{
    const IniFile f = IniFile::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string v = f.value("General_PLM", "KLV_Update");
    return int(f.number("x", "version") + v.size() + f.sectionCount()) & 0;
}

} // namespace klv
