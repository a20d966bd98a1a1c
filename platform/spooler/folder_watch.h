#pragma once
// Watches one folder for changes of its own entries (made, removed, renamed, their mode
// changed, a file of it written), so that what was read of the folder can be kept until then.
//
// The system queues the change events as the changes are made, so taking the queue at each
// look is exact: a folder made a moment ago is seen by the very next look. There is no thread
// and no wait: a look that finds the queue empty returns at once. Changes inside the entries
// (files written into a subfolder) are not seen.

#include <string>

namespace platform::spooler {

class FolderWatch
{
public:
    // Starts watching `folder`. When the system cannot watch it (no more watches, no such
    // folder), active() is false from the start.
    explicit FolderWatch(const std::string& folder);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // False once the watch is gone (the folder was removed or moved away, the queue failed):
    // then nothing can be kept and the caller reads the folder each time.
    bool active() const { return m_active; }
    // Takes the events queued since the last call, without waiting: true when the folder may
    // have changed since then (also when the queue overflowed or the watch has just ended).
    // One caller at a time.
    bool takeChanges();

private:
    int m_inotify = -1;
    bool m_active = false;
};

} // namespace platform::spooler
