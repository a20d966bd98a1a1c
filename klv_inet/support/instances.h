#pragma once
// Which instances of an application run: the first-instance test, and the running list in
// the settings store that lets one program ask the others to close.
//
// Application names: the caller's, or the current application name when null or empty;
// always upper-cased. An instance is a process: the running list (section "Running" of the
// application) holds its process id as "hWnd%u" and its start stamp as "Start%u", with "Count";
// an entry whose process is gone (or whose id was reused) is dropped by the next reader.

#include "klv_inet/support/klv_export.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// 1 when this process is the first instance of app on the machine: it takes the lock
// "<APP>_First" (a lock file in the runtime folder, held for the life of the process, and
// dropped by the system when the process ends however it ends). A second call in the same
// process answers 1 again. With registerRunning the process is also recorded as by
// AppInstanceRunning. With log, the steps are appended.
KLV_EXPORT int IsFirstInstance(const char* app, int registerRunning, std::string* log);

// Records this process in the running list of app and listens for requests of other
// instances (CloseAnyRunning) until AppInstanceHalted.
KLV_EXPORT void AppInstanceRunning(const char* app);
// Removes this process from the running list of app again and stops listening.
KLV_EXPORT void AppInstanceHalted(const char* app);

// Asks every other running instance of app to close (msg, wParam and lParam are handed to each
// instance's request handler) and waits, with a cancellable dialog, until none is left, the
// user chooses Continue or Cancel, or kCloseWaitMs passed. 1 when none remains or Continue was
// chosen, else 0.
inline constexpr int kCloseWaitMs = 120000;
KLV_EXPORT int CloseAnyRunning(const char* app, unsigned msg, uint64_t wParam, int64_t lParam);

// What this process does with such a request (runs on a listener thread: hand it on, do not
// block). Without a handler requests are ignored.
using InstanceRequestHandler = std::function<void(unsigned msg, uint64_t wParam, int64_t lParam)>;
KLV_EXPORT void SetInstanceRequestHandler(InstanceRequestHandler handler);

namespace klv {

struct RunningInstance
{
    uint32_t pid = 0;
    std::string stamp;
};

// The running list of app after one read: dead entries, entries whose process name does not
// contain `titleFilter` (without regard to case; empty: no filter) and the process
// `excludePid` are dropped, and the list is written back, all in one transaction.
KLV_EXPORT std::vector<RunningInstance> ReadRunningList(const char* app, const std::string& titleFilter,
                                                        uint32_t excludePid);

} // namespace klv
