#include "platform/spooler/folder_watch.h"

#include <cerrno>
#include <cstdint>
#include <sys/inotify.h>
#include <unistd.h>

namespace platform::spooler {
namespace {

constexpr uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_MODIFY |
                             IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

FolderWatch::FolderWatch(const std::string& folder)
{
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify >= 0 && ::inotify_add_watch(m_inotify, folder.c_str(), kEvents) >= 0)
        m_active = true;
}

FolderWatch::~FolderWatch()
{
    if (m_inotify >= 0)
        ::close(m_inotify);
}

bool FolderWatch::takeChanges()
{
    if (!m_active)
        return true;
    alignas(inotify_event) char buffer[16 * 1024];
    bool changed = false;
    for (;;) {
        const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return changed;
        if (n <= 0) {
            // The queue itself failed: nothing it says can be relied on from now.
            m_active = false;
            return true;
        }
        changed = true;
        // Every event is walked within what was read: its name never reaches past it.
        for (size_t at = 0; at + sizeof(inotify_event) <= static_cast<size_t>(n);) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) != 0)
                m_active = false;
            at += sizeof(inotify_event) + event->len;
        }
    }
}

} // namespace platform::spooler
