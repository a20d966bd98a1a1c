#include "klv_inet/support/instances.h"

#include "klv_inet/support/app_name.h"
#include "klv_inet/support/msg_box.h"
#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/msg_dlg_ids.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"
#include "klv_inet/support/running_list.h"
#include "klv_inet/support/text_compare.h"

#include "platform/net/instance_channel.h"
#include "platform/sync/named_lock.h"
#include "platform/sysinfo/processes.h"
#include "platform/text/sprintf.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct FirstLock
{
    pid_t owner; // a forked child does not inherit the name with the parent's memory
    std::string name;
    std::unique_ptr<platform::sync::NamedLock> lock;
};

struct Registry
{
    std::mutex mutex;
    std::vector<FirstLock> firstLocks; // newest first, held for the life of the process
    std::map<std::string, std::unique_ptr<platform::net::InstanceChannel>> channels;
    InstanceRequestHandler handler;
};

Registry& registry()
{
    static Registry* r = new Registry; // lives to the very end: the locks must not go early
    return *r;
}

uint32_t selfPid()
{
    return static_cast<uint32_t>(getpid());
}

klv::RunningInstance self()
{
    return {selfPid(), platform::sysinfo::processStamp(selfPid())};
}

void deliver(const platform::net::InstanceRequest& request)
{
    InstanceRequestHandler handler;
    {
        std::lock_guard lock(registry().mutex);
        handler = registry().handler;
    }
    if (handler)
        handler(request.message, request.wParam, request.lParam);
}

void listen(const std::string& app)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::unique_ptr<platform::net::InstanceChannel>& channel = r.channels[app];
    if (channel && channel->isListening())
        return;
    channel = std::make_unique<platform::net::InstanceChannel>();
    channel->listen(app, deliver);
}

void stopListening(const std::string& app)
{
    std::unique_ptr<platform::net::InstanceChannel> channel;
    {
        std::lock_guard lock(registry().mutex);
        auto it = registry().channels.find(app);
        if (it == registry().channels.end())
            return;
        channel = std::move(it->second);
        registry().channels.erase(it);
    }
    channel.reset(); // joins its thread outside the lock: a handler may be running
}

void record(const std::string& ownApp, const std::string& app)
{
    auto addSelf = [](std::vector<klv::RunningInstance>& list) {
        for (const klv::RunningInstance& e : list)
            if (e.pid == selfPid())
                return;
        list.push_back(self());
    };
    if (klv::equalsNoCase(ownApp, app)) {
        klv::RewriteRunningList(app, app, 0, addSelf);
    } else {
        const std::vector<klv::RunningInstance> own = klv::RewriteRunningList(ownApp, app, 0, nullptr);
        klv::RewriteRunningList(app, std::string(), 0, [&](std::vector<klv::RunningInstance>& list) {
            list = own;
            addSelf(list);
        });
    }
    listen(app);
}

} // namespace

int IsFirstInstance(const char* app, int registerRunning, std::string* log)
{
    const std::string name = klv::UpperAppName(app) + "_First";
    if (log)
        *log += "IsFirstInstance: szMutexName='" + name + "'";
    bool first = false;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (const FirstLock& held : r.firstLocks)
            if (held.owner == getpid() && klv::equalsNoCase(held.name, name))
                first = true; // this process took the name earlier
        if (!first) {
            auto held = std::make_unique<platform::sync::NamedLock>(name);
            if (held->tryLock(std::chrono::milliseconds(0))) {
                first = true;
                r.firstLocks.insert(r.firstLocks.begin(), FirstLock{getpid(), name, std::move(held)});
            } else {
                // Only a lock held by another process says "not first"; a lock that cannot be
                // made at all does not.
                first = held->error() != platform::sync::NamedLock::Error::Busy;
                if (log && first)
                    *log += "\nIsFirstInstance: " + held->errorString();
            }
        }
    }
    if (registerRunning)
        record(klv::UpperAppName(nullptr), klv::UpperAppName(app));
    if (log)
        *log += std::string("\nIsFirstInstance(OUT)-bFirst=") + (first ? "TRUE" : "FALSE");
    return first ? 1 : 0;
}

void AppInstanceRunning(const char* app)
{
    record(klv::UpperAppName(nullptr), klv::UpperAppName(app));
}

void AppInstanceHalted(const char* app)
{
    const std::string name = klv::UpperAppName(app);
    stopListening(name);
    klv::RewriteRunningList(name, std::string(), selfPid(), nullptr);
}

void SetInstanceRequestHandler(InstanceRequestHandler handler)
{
    std::lock_guard lock(registry().mutex);
    registry().handler = std::move(handler);
}

int CloseAnyRunning(const char* app, unsigned msg, uint64_t wParam, int64_t lParam)
{
    const std::string name = klv::UpperAppName(app);
    std::string section;
    FormSection(section, nullptr, name.c_str());
    char title[200] = {};
    uint32_t size = sizeof title - 1;
    std::string filter;
    if (GetRegistryEntry(section.c_str(), "Title", title, &size))
        filter.assign(title, strnlen(title, sizeof title - 1));

    std::vector<klv::RunningInstance> list = klv::RewriteRunningList(name, filter, selfPid(), nullptr);
    if (list.empty())
        return 1;

    std::string caption;
    std::string prompt;
    DLL_LoadString(478, caption);
    DLL_LoadString(477, prompt);
    const std::string text = platform::text::sprintf(prompt.c_str(), name, name);
    const char* lines[] = {text.c_str(), nullptr};
    std::atomic<int> cancel{0};
    CMsgDlgOptions options;
    options.templateId = klv::msgdlg::kTemplateGeneric;
    options.title = caption.c_str();
    options.lines = lines;
    options.cancellable = true;
    options.showAlways = true;
    options.cancelFlag = &cancel;
    options.visible = true;
    options.enableHide = true;
    options.libraryResources = true;
    auto dialog = std::make_unique<CMsgDlg>(options);

    for (const klv::RunningInstance& e : list)
        platform::net::InstanceChannel::send(name, e.pid, {msg, wParam, lParam}, 1000);

    // Ends when nobody is left, on Cancel or Continue, or at the time-out.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kCloseWaitMs);
    bool continued = false;
    while (!list.empty()) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        continued = dialog->IsContinuePressed();
        if (cancel.load() || dialog->IsCancelPressed() || continued)
            break;
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        list = klv::RewriteRunningList(name, filter, selfPid(), nullptr);
    }
    dialog.reset();
    return continued || list.empty() ? 1 : 0;
}
