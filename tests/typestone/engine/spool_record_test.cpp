// The record beside an interpreted job's spool file: what is written reads back, the password
// is not kept, and anything but a whole record is refused.

#include "typestone/engine/spool_record.h"

#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

using namespace typestone;

SpoolRecord sample()
{
    SpoolRecord r;
    r.version = 100;
    r.jobName = "10.0.0.7:4711_3";
    r.record = DefaultInitData();
    std::strcpy(r.record.printer, "Laser");
    std::strcpy(r.record.password, "secret");
    std::strcpy(r.record.docname, "Invoice\nwith a break");
    r.record.cols = 132;
    r.record.options = 0x0100;
    return r;
}

TEST(SpoolRecord, ReadsBackWhatWasWrittenWithoutThePassword)
{
    const SpoolRecord r = sample();
    const std::string text = FormatSpoolRecord(r);
    EXPECT_EQ(text.find("secret"), std::string::npos);
    std::string error;
    const std::optional<SpoolRecord> back = ParseSpoolRecord(text, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->version, 100);
    EXPECT_EQ(back->jobName, r.jobName);
    EXPECT_EQ(FieldText(back->record.printer), "Laser");
    EXPECT_EQ(FieldText(back->record.docname), "Invoice\nwith a break");
    EXPECT_EQ(back->record.cols, 132);
    EXPECT_EQ(back->record.options, 0x0100);
    EXPECT_EQ(FieldText(back->record.password), "");

    ts::support::TempDir dir("ts-spool-record");
    ASSERT_TRUE(dir.ok()) << dir.error();
    const std::string path = dir.path() + "/tpsABCDEF.job";
    ASSERT_TRUE(WriteSpoolRecord(path, r, &error)) << error;
    const std::optional<SpoolRecord> read = ReadSpoolRecord(path, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->jobName, r.jobName);
    EXPECT_EQ(SpoolRecordPath("/x/tpsABCDEF"), "/x/tpsABCDEF.job");
}

TEST(SpoolRecord, RefusesAnythingButAWholeRecord)
{
    const std::string good = FormatSpoolRecord(sample());
    const size_t recordAt = good.find("record=");
    SpoolRecord unnamed = sample();
    std::memset(unnamed.record.printer, 0, sizeof unnamed.record.printer);
    const struct
    {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"garbage", "\x01\x02garbage\n"},
        {"another first line", "typestone-spool-record 2" + good.substr(good.find('\n'))},
        {"cut in the record", good.substr(0, recordAt + 100)},
        {"without the last line break", good.substr(0, good.size() - 1)},
        {"a record one byte short", good.substr(0, good.size() - 3) + "\n"},
        {"a record of non-hex", good.substr(0, recordAt + 7) + std::string(2 * kInitDataSize, 'x') + "\n"},
        {"a key twice", good + "version=1\n"},
        {"an unknown key", good + "colour=red\n"},
        {"a version too large",
         "typestone-spool-record 1\njob=a\nversion=65536\nrecord=" + good.substr(recordAt + 7)},
        {"a job name with a control byte",
         "typestone-spool-record 1\njob=a\tb\nversion=1\nrecord=" + good.substr(recordAt + 7)},
        {"no job name", "typestone-spool-record 1\nversion=1\nrecord=" + good.substr(recordAt + 7)},
        {"no printer", FormatSpoolRecord(unnamed)},
        {"too large", good + std::string(kMaxSpoolRecordSize, '\n')},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseSpoolRecord(c.text, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

} // namespace
