// The running list in the settings store: read, pruned and written back in one transaction.

#include "klv_inet/support/running_list.h"
#include "klv_inet/support/app_name.h"
#include "klv_inet/support/reg_section.h"

#include "platform/settings/settings_store.h"
#include "platform/sysinfo/processes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace klv {
namespace {

// More entries than any machine runs instances: a damaged "Count" is not believed further.
constexpr uint32_t kMaxListed = 4096;

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string appOrDefault(const char* app)
{
    return upper(app && *app ? std::string(app) : GetAppName());
}

bool containsNoCase(const std::string& text, const std::string& part)
{
    return upper(text.substr(0, 199)).find(upper(part)) != std::string::npos;
}

const platform::RegValue* find(const std::vector<platform::RegValue>& values, const std::string& name)
{
    const std::string fold = platform::foldName(name);
    for (const platform::RegValue& v : values)
        if (platform::foldName(v.name) == fold)
            return &v;
    return nullptr;
}

bool dword(const platform::RegValue* v, uint32_t* out)
{
    if (!v || v->type != platform::ValueType::Dword || v->data.size() != 4)
        return false;
    *out = uint32_t(v->data[0]) | uint32_t(v->data[1]) << 8 | uint32_t(v->data[2]) << 16 |
           uint32_t(v->data[3]) << 24;
    return true;
}

platform::RegValue dwordValue(const std::string& name, uint32_t value)
{
    platform::RegValue v;
    v.name = name;
    v.type = platform::ValueType::Dword;
    v.data = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    return v;
}

platform::RegValue textValue(const std::string& name, const std::string& text)
{
    platform::RegValue v;
    v.name = name;
    v.type = platform::ValueType::String;
    v.data.assign(text.begin(), text.end());
    return v;
}

std::string indexed(const char* format, uint32_t i)
{
    char name[32];
    std::snprintf(name, sizeof name, format, i);
    return name;
}

std::vector<RunningInstance> decode(const std::vector<platform::RegValue>& values)
{
    std::vector<RunningInstance> out;
    uint32_t count = 0;
    if (!dword(find(values, "Count"), &count))
        return out;
    count = std::min(count, kMaxListed);
    for (uint32_t i = 0; i < count; ++i) {
        RunningInstance entry;
        if (!dword(find(values, indexed("hWnd%u", i)), &entry.pid))
            continue;
        if (const platform::RegValue* s = find(values, indexed("Start%u", i)))
            entry.stamp = s->text().substr(0, 128);
        out.push_back(std::move(entry));
    }
    return out;
}

std::vector<platform::RegValue> encode(const std::vector<RunningInstance>& list)
{
    std::vector<platform::RegValue> values;
    for (uint32_t i = 0; i < list.size(); ++i) {
        values.push_back(dwordValue(indexed("hWnd%u", i), list[i].pid));
        values.push_back(textValue(indexed("Start%u", i), list[i].stamp));
    }
    if (!list.empty())
        values.push_back(dwordValue("Count", static_cast<uint32_t>(list.size())));
    return values;
}

bool passes(const RunningInstance& entry, const std::string& titleFilter, uint32_t excludePid)
{
    if (entry.pid == 0 || entry.pid == excludePid)
        return false;
    if (!platform::sysinfo::processAlive(entry.pid, entry.stamp))
        return false;
    if (titleFilter.empty())
        return true;
    const std::optional<platform::sysinfo::ProcessEntry> p = platform::sysinfo::processEntry(entry.pid);
    return p && containsNoCase(p->name, titleFilter);
}

// One transaction: read the list, prune it, let `change` add to it, write it back.
std::vector<RunningInstance> rewrite(const std::string& app, const std::string& titleFilter,
                                     uint32_t excludePid,
                                     const std::function<void(std::vector<RunningInstance>&)>& change)
{
    std::vector<RunningInstance> result;
    std::shared_ptr<platform::SettingsStore> store = platform::SettingsStore::shared();
    if (!store)
        return result; // a store failure reads as an empty list
    std::string key;
    FormSection(key, "Running", app.c_str());
    platform::RegRoot root = platform::RegRoot::Users;
    RegChangeUserByCurrentUser(key, root);
    const platform::StoreStatus status =
        store->rewriteValues(root, key, [&](std::vector<platform::RegValue>& values) {
            std::vector<RunningInstance> list = decode(values);
            std::vector<RunningInstance> kept;
            for (RunningInstance& e : list)
                if (passes(e, titleFilter, excludePid))
                    kept.push_back(std::move(e));
            if (change)
                change(kept);
            std::vector<platform::RegValue> fresh = encode(kept);
            result = kept;
            if (fresh.size() == values.size() &&
                std::equal(fresh.begin(), fresh.end(), values.begin(), [](const auto& a, const auto& b) {
                    return a.name == b.name && a.type == b.type && a.data == b.data;
                }))
                return false; // unchanged: nothing to write
            values = std::move(fresh);
            return true;
        });
    if (status != platform::StoreStatus::Ok)
        result.clear();
    return result;
}

} // namespace

std::vector<RunningInstance> ReadRunningList(const char* app, const std::string& titleFilter,
                                             uint32_t excludePid)
{
    return rewrite(appOrDefault(app), titleFilter, excludePid, nullptr);
}

std::vector<RunningInstance>
RewriteRunningList(const std::string& app, const std::string& titleFilter, uint32_t excludePid,
                   const std::function<void(std::vector<RunningInstance>&)>& change)
{
    return rewrite(app, titleFilter, excludePid, change);
}

std::string UpperAppName(const char* app)
{
    return appOrDefault(app);
}

} // namespace klv
