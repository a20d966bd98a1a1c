#pragma once
// Small file operations the folder spooler is built from (internal to platform/spooler).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::spooler::files {

// "<what>: <strerror(err)>".
std::string errnoText(const std::string& what, int err);

// Writes all bytes, retrying short writes and interrupted calls.
bool writeAll(int fd, const void* data, size_t size, std::string* error);

// Asks the system to start writing `length` bytes from `offset` of the file to the disk, without
// waiting for them. A hint: it guarantees nothing (fsync does), and failing it harms nothing.
void startWriteBack(int fd, uint64_t offset, uint64_t length);

enum class ReadResult
{
    Ok,
    Missing,
    Failed // unreadable, not a regular file, or larger than the limit
};

// Reads a whole small file of at most `maxSize` bytes without following a final symlink.
ReadResult readSmallFile(const std::string& path, size_t maxSize, std::string* text, std::string* error);

// Replaces `path` with `text` (mode 0600) through a temporary file and a rename, so a reader
// sees either the old or the new content.
bool replaceFile(const std::string& path, std::string_view text, std::string* error);

// Renames `from` to `to` unless `to` exists already (then fails with EEXIST in the text).
bool renameNoReplace(const std::string& from, const std::string& to, std::string* error);

// Opens a PDF file for reading: a regular file whose first KiB holds the "%PDF-" header.
// Returns the descriptor positioned at the start, or -1 with `error` set.
int openPdf(const std::string& path, std::string* error);

// A value for a "key=value" line: backslash, line breaks and other control characters are
// written as escapes (\\, \n, \r, \xHH) so a value never spans or splits lines.
std::string escapeValue(std::string_view value);

// The info key of a job that ended with what arrived, its sender never having ended it in
// order: "cut-short=<reason>".
inline constexpr std::string_view kCutShortKey = "cut-short";

// Appends the cut-short line with `reason` to the info file `infoPath` (flushed, so it is
// there before the data file gets its final name).
bool appendCutShortMark(const std::string& infoPath, const std::string& reason, std::string* error);

} // namespace platform::spooler::files
