// The record beside a spool file, read at start from the spool folder. Property: a record that
// parses formats to a text that parses to the same record (its password, never stored, empty).

#include "tests/fuzz/fuzz_target.h"

#include "typestone/engine/spool_record.h"

#include <cstring>
#include <string_view>

using namespace typestone;

FUZZ_TARGET(spool_record)
{
    std::string error;
    const std::optional<SpoolRecord> record =
        ParseSpoolRecord(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    if (!record) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(record->jobName.size() <= kMaxSpoolJobName);
    const std::optional<SpoolRecord> again = ParseSpoolRecord(FormatSpoolRecord(*record), &error);
    FUZZ_CHECK(again.has_value());
    if (again) {
        INIT_DATA expected = record->record;
        std::memset(expected.password, 0, sizeof expected.password);
        FUZZ_CHECK(again->jobName == record->jobName);
        FUZZ_CHECK(again->version == record->version);
        FUZZ_CHECK(std::memcmp(&again->record, &expected, sizeof expected) == 0);
    }
    return 0;
}
