// Export of a key as a registry text file, and the copy of the old brand branch.
#include "klv_inet/support/reg_text.h"

#include "klv_inet/support/name_pattern.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"
#include "klv_inet/support/store_access.h"

#include "platform/bytes/le_reader.h"
#include "platform/text/sprintf.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char* rootName(platform::RegRoot root)
{
    switch (root) {
    case platform::RegRoot::Users:
        return "HKEY_USERS";
    case platform::RegRoot::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case platform::RegRoot::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    default:
        return "HKEY_CURRENT_USER";
    }
}

std::string escaped(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out;
}

bool hasLineBreak(const std::string& s)
{
    return s.find_first_of("\r\n") != std::string::npos;
}

// The text of a value up to its first NUL (an empty value has no data block to look into).
std::string textOf(const klv::store::Value& v)
{
    if (v.data.empty())
        return {};
    const auto* p = reinterpret_cast<const char*>(v.data.data());
    return std::string(p, strnlen(p, v.data.size()));
}

// A text value whose bytes are one text and nothing after it but terminators: only such a
// value fits between quotes without losing bytes.
bool isPlainText(const klv::store::Value& v)
{
    if (v.type != KLV_REG_SZ && v.type != KLV_REG_EXPAND_SZ)
        return false;
    for (size_t i = textOf(v).size(); i < v.data.size(); ++i)
        if (v.data[i] != 0)
            return false;
    return true;
}

// One line per value; false when a value cannot be written in the layout. What is neither a
// plain text nor a 32-bit number (multi-strings, other types, texts with NUL bytes inside)
// is written as its bytes, so that none of them is lost.
bool valueLines(const std::vector<klv::store::Value>& values, std::vector<std::string>& lines)
{
    for (const auto& v : values) {
        if (hasLineBreak(v.name))
            return false;
        std::string line = "\"" + escaped(v.name) + "\"=";
        if (!isPlainText(v) && !(v.type == KLV_REG_DWORD && v.data.size() == 4)) {
            line += "hex:";
            for (size_t i = 0; i < v.data.size(); ++i) {
                line += platform::text::sprintf(i ? ",%02x" : "%02x", v.data[i]);
            }
        } else if (v.type == KLV_REG_DWORD) {
            const uint32_t d = platform::bytes::LeReader(v.data.data(), v.data.size()).u32();
            line += platform::text::sprintf("dword:%08x", d);
        } else {
            const std::string text = textOf(v);
            if (hasLineBreak(text))
                return false;
            line += "\"" + escaped(text) + "\"";
        }
        lines.push_back(std::move(line));
    }
    return true;
}

// Appends "\r\n\r\n[name]" and "\r\n<line>" per line plus the closing line end.
bool appendSection(const std::string& file, const std::string& name, const std::vector<std::string>& lines)
{
    if (name.empty())
        return false;
    std::ofstream out(file, std::ios::binary | std::ios::in | std::ios::ate);
    if (!out)
        return false;
    out << "\r\n\r\n[" << name << "]";
    for (const auto& l : lines)
        out << "\r\n" << l;
    out << "\r\n";
    out.flush();
    return static_cast<bool>(out);
}

} // namespace

int SaveRegKey(const char* key, const char* file, const char* const* exclude, const char* const* include,
               void*, platform::RegRoot root)
{
    if (!key || !file || !*file)
        return 0;
    std::string k = key;
    RegChangeUserByCurrentUser(k, root);
    if (!k.empty() && k.back() == '\\')
        k.pop_back();
    if (hasLineBreak(k) || !klv::store::keyExists(root, k))
        return 0;
    const std::string header = std::string(rootName(root)) + "\\" + k;
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << "REGEDIT4";
        out.flush();
        if (!out)
            return 0;
    }
    int result = appendSection(file, header, {}) ? 1 : 0;
    for (const auto& sub : klv::store::subkeys(root, k)) {
        if (!result)
            break;
        if (klv::skippedByLists(sub.c_str(), exclude, include))
            continue;
        // A line break in a key name would end the section header early and make the rest of
        // the name a line of its own (even a header of another key) when the file is read back.
        std::vector<std::string> lines;
        if (hasLineBreak(sub) || !valueLines(klv::store::values(root, k + "\\" + sub), lines) ||
            !appendSection(file, header + "\\" + sub, lines))
            result = 0;
    }
    return result;
}

int ChangePLM4KLV(const char* app, int)
{
    const std::string a = app ? app : "";
    const std::string source = "Software\\PLM\\" + a;
    const std::string target = "Software\\KLV\\" + a;
    const auto root = platform::RegRoot::CurrentUser;
    if (!klv::store::keyExists(root, source))
        return 0;
    for (const auto& sub : klv::store::subkeys(root, source)) {
        for (const auto& v : klv::store::values(root, source + "\\" + sub)) {
            std::vector<uint8_t> data = v.data;
            if (v.type == KLV_REG_SZ && data.empty())
                data.push_back(0);
            klv::store::writeValue(root, target + "\\" + sub, v.name, v.type, data.data(), data.size());
        }
    }
    return 1;
}
