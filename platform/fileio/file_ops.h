#pragma once
// Whole-file operations for trace and log writers.
//
// Trace files are written by many threads and read by support staff while the program runs, so
// each entry is one open, one write and one close. Nothing here follows a symbolic link in the
// last path component, so a link planted in a shared folder cannot redirect a write.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace platform::fileio {

// Appends `data` with a single write to `path` (created 0600 when missing, opened O_APPEND so
// writers of several threads or processes never overwrite each other). With `truncate` the file
// is emptied first. Returns false when the file cannot be opened or not all bytes were written.
bool appendFile(const std::string& path, std::string_view data, bool truncate = false);

struct FileInfo
{
    bool exists = false;
    bool regular = false;
    uint64_t size = 0;
    time_t modified = 0;
};

// Facts about `path` itself (a symbolic link is reported as such, not followed).
FileInfo fileInfo(const std::string& path);

// Creates a new empty file "<prefix>XXXXXX" in `dir` (0600) and returns its full name; empty
// when none can be made.
std::string makeTempFile(const std::string& dir, const std::string& prefix);

// Replaces `path` with `data` (0600) through a file beside it that is flushed and renamed, so
// that after a crash `path` holds either the old or the new content, never a part.
bool replaceFile(const std::string& path, std::string_view data, std::string* error);

// Reads the whole regular file `path` if it holds at most `maxSize` bytes; false with `error`
// set when it is missing (then also `missing`, when given), not a regular file, larger, or
// unreadable.
bool readSmallFile(const std::string& path, size_t maxSize, std::string* text, std::string* error,
                   bool* missing = nullptr);

// Sets the modification (and access) time of the regular file `path` to `seconds` since
// 1970; false (errno set) when it cannot be set. A symbolic link is not followed.
bool setModifiedTime(const std::string& path, int64_t seconds);

// The cause number of a file error (errno) as the file exceptions of the host link count them:
// 3 bad path, 4 too many open files, 5 access denied, 10 hardware I/O, 13 disk full, else 1.
int fileErrorCause(int errnoValue);

} // namespace platform::fileio
