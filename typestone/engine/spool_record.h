#pragma once
// What an interpreted job needs to be printed later from its spool file: the job record the
// host sent (its printer, grid, options and names), the job name and the stream's version.
// It lies beside the spool file from the moment the job is accepted, so a job the server could
// not finish (it stopped, or died) can be printed by the next start.
//
// The file is a few "key=value" lines; the record is written as hex so that no byte of a host
// field can break a line. The share password is never stored: printing does not need it.

#include "typestone/engine/init_data.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace typestone {

struct SpoolRecord
{
    uint16_t version = 0;
    std::string jobName;
    INIT_DATA record{};
};

// The record file of a spool file.
std::string SpoolRecordPath(const std::string& spoolFile);

// The largest record file that is read.
inline constexpr size_t kMaxSpoolRecordSize = 8192;
// The longest job name a record holds.
inline constexpr size_t kMaxSpoolJobName = 259;

std::string FormatSpoolRecord(const SpoolRecord& record);
// Nothing, with `error` set, unless `text` is a whole record: every key once, the record of
// exactly its size, a job name of printable characters, a printer named.
std::optional<SpoolRecord> ParseSpoolRecord(std::string_view text, std::string* error);

// Writes the record file so that it is there whole or not at all.
bool WriteSpoolRecord(const std::string& path, const SpoolRecord& record, std::string* error);
std::optional<SpoolRecord> ReadSpoolRecord(const std::string& path, std::string* error);

} // namespace typestone
