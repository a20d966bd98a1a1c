// The instance table: its operations as a table of cases, and its text form read back bounded.

#include "klv_inet/support/instance_tbl.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Slots = std::vector<uint32_t>;

TEST(InstanceTblTest, OperationsOnTables)
{
    struct Case
    {
        const char* what;
        Slots before;
        std::function<int(CInstanceTbl&)> op;
        int result;
        Slots after;
    };
    const Case cases[] = {
        {"assign takes the first free slot",
         {5, 0, 7},
         [](CInstanceTbl& t) { return t.AssignIndex(42); },
         1,
         {5, 42, 7}},
        {"assign appends when none is free",
         {5, 7},
         [](CInstanceTbl& t) { return t.AssignIndex(42); },
         2,
         {5, 7, 42}},
        {"assign into an empty table", {}, [](CInstanceTbl& t) { return t.AssignIndex(42); }, 0, {42}},
        {"unassign frees the slot",
         {5, 7},
         [](CInstanceTbl& t) { return int(t.UnAssignIndex(1)); },
         1,
         {5, 0}},
        {"unassign outside changes nothing",
         {5, 7},
         [](CInstanceTbl& t) { return int(t.UnAssignIndex(2)); },
         0,
         {5, 7}},
        {"unassign below zero changes nothing",
         {5},
         [](CInstanceTbl& t) { return int(t.UnAssignIndex(-1)); },
         0,
         {5}},
        {"count distinct pids",
         {5, 5, 0, 9},
         [](CInstanceTbl& t) { return t.CountInstances(nullptr); },
         2,
         {5, 5, 0, 9}},
        {"higher with free slots after",
         {5, 7, 0},
         [](CInstanceTbl& t) { return t.IsHigherInstance(1); },
         1,
         {5, 7, 0}},
        {"not higher with a used slot after",
         {5, 7, 3},
         [](CInstanceTbl& t) { return t.IsHigherInstance(1); },
         0,
         {5, 7, 3}},
        {"a free slot is not higher",
         {5, 0},
         [](CInstanceTbl& t) { return t.IsHigherInstance(1); },
         0,
         {5, 0}},
        {"higher outside the table", {5}, [](CInstanceTbl& t) { return t.IsHigherInstance(3); }, 0, {5}},
        {"search all slots", {5, 0, 9}, [](CInstanceTbl& t) { return t.SearchInstance(9, 0); }, 1, {5, 0, 9}},
        {"search the first slots only",
         {5, 0, 9},
         [](CInstanceTbl& t) { return t.SearchInstance(9, 2); },
         0,
         {5, 0, 9}},
        {"search a missing pid", {5}, [](CInstanceTbl& t) { return t.SearchInstance(6, 0); }, 0, {5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CInstanceTbl table(c.before);
        EXPECT_EQ(c.op(table), c.result);
        EXPECT_EQ(table.slots(), c.after);
    }
}

TEST(InstanceTblTest, CountLogNamesEveryUsedSlot)
{
    CInstanceTbl table(Slots{5, 0, 9});
    std::string log;
    EXPECT_EQ(table.CountInstances(&log), 2);
    EXPECT_EQ(log, "\n[0/2]-Inst[0]=5 (0x5)\n[0/2]-Inst[2]=9 (0x9)");
}

TEST(InstanceTblTest, TextFormRoundTripsAndNeverOverruns)
{
    const CInstanceTbl table(Slots{1204, 0, 3310});
    EXPECT_EQ(table.Text(), "3 1204 0 3310 ");

    char buffer[20];
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_TRUE(table.WriteData(buffer, 15));
    EXPECT_EQ(std::string(buffer, 14), "3 1204 0 3310 ");
    EXPECT_EQ(buffer[14], 'x') << "bytes beyond the text keep their old value";

    // One byte short: nothing is written at all.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(table.WriteData(buffer, 13));
    EXPECT_EQ(buffer[0], 'x');

    CInstanceTbl back;
    ASSERT_TRUE(back.ReadData(buffer, 0) || back.slots().empty());
    const char stored[] = "3 1204 0 3310 old rest";
    ASSERT_TRUE(back.ReadData(stored, sizeof stored));
    EXPECT_EQ(back.slots(), table.slots());
}

TEST(InstanceTblTest, DamagedTextReadsAsEmpty)
{
    struct Case
    {
        std::string text;
        bool ok;
        size_t slots;
    };
    const Case cases[] = {
        {std::string(16, '\0'), true, 0}, // new memory
        {"0 ", true, 0},
        {"2 7 8 ", true, 2},
        {"4000000000 1 ", false, 0},    // a count far beyond the bytes
        {"9 1 2 3 ", false, 0},         // claims more numbers than follow
        {"2 1 99999999999 ", false, 0}, // not a process id
        {"abc", false, 0},
        {"5000 " + std::string(20000, '0'), false, 0}, // more slots than any table holds
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        CInstanceTbl table(Slots{1, 2, 3});
        EXPECT_EQ(table.ReadData(c.text.data(), c.text.size()), c.ok);
        EXPECT_EQ(table.slots().size(), c.slots);
    }
    // The read stops at the size given, even without a terminator.
    const char unterminated[4] = {'1', ' ', '7', ' '};
    CInstanceTbl table;
    EXPECT_TRUE(table.ReadData(unterminated, 3));
    EXPECT_EQ(table.slots(), Slots{7});
}

} // namespace
