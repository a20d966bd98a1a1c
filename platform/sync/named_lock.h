#pragma once
// A lock shared by processes of one user, by name.
//
// Each lock is an advisory exclusive lock (flock) on the file <folder>/<name>.lock; the folder
// is <runtime folder>/locks unless one is given. The system drops the lock when its holder's
// process ends, however it ends, so a crashed holder never blocks the others. Two NamedLock
// objects of one name exclude each other within one process as well as across processes.
//
// Names keep only [A-Za-z0-9._-]; every other byte becomes '_', and a name is cut to
// kMaxNameLength. An empty name is refused. One object is meant for one thread at a time;
// threads that contend for a lock each use their own object.

#include <chrono>
#include <string>

namespace platform::sync {

class NamedLock
{
public:
    enum class Error
    {
        None,
        InvalidName, // empty name
        Busy,        // held by someone else until the time-out passed
        System,      // the folder or the lock file could not be used; see errorString()
    };

    static constexpr size_t kMaxNameLength = 200;

    // A lock in the default folder, <runtime folder>/locks (made private when needed).
    explicit NamedLock(const std::string& name);
    // A lock in `folder`, created 0700 with its parents when missing.
    NamedLock(const std::string& name, const std::string& folder);
    ~NamedLock();
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

    // Takes the lock, waiting at most `timeout` (zero: one attempt). True when held, also when
    // this object held it already. On false, error() and errorString() tell why.
    bool tryLock(std::chrono::milliseconds timeout);
    // Releases the lock when this object holds it.
    void unlock();
    bool isLocked() const { return m_fd >= 0; }

    // The sanitised name and the lock file's path (empty path until the first tryLock when
    // the default folder is used).
    const std::string& name() const { return m_name; }
    std::string filePath() const;

    Error error() const { return m_error; }
    const std::string& errorString() const { return m_errorString; }

    // The name as it is used for the file: disallowed bytes replaced, cut to kMaxNameLength.
    static std::string sanitizeName(const std::string& name);

private:
    bool prepareFolder();
    bool fail(Error error, const std::string& text);

    std::string m_name;
    std::string m_folder;
    bool m_defaultFolder;
    int m_fd = -1;
    Error m_error = Error::None;
    std::string m_errorString;
};

} // namespace platform::sync
