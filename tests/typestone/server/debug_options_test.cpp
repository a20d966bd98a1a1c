#include "typestone/server/debug_options.h"

#include "trace_fixture.h"

#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"

namespace {

using typestone::TraceSettings;

class DebugOptionsTest : public TraceTest
{
protected:
    void set(const char* name, const char* value)
    {
        std::string section;
        FormSection(section, "Debug");
        SetRegistryEntry(section.c_str(), name, value, 0, KLV_REG_SZ);
    }
    std::string get(const char* name)
    {
        std::string section;
        FormSection(section, "Debug");
        char buf[64] = {};
        uint32_t size = sizeof buf;
        return GetRegistryEntry(section.c_str(), name, buf, &size) ? std::string(buf) : "<missing>";
    }
};

TEST_F(DebugOptionsTest, LevelIsReadWithBaseDetection)
{
    for (const char* text : {"0xA", "0x0000000a", "012", "10"}) {
        set("Trz_Level", text);
        EXPECT_TRUE(GetRegistryDbgLevel()) << text;
        EXPECT_EQ(TraceSettings::trzLevel(), 10u) << text;
    }
    TraceSettings::setTrzLevel(5);
    std::string section;
    FormSection(section, "Debug");
    RemoveRegistryValue(section.c_str(), "Trz_Level");
    EXPECT_FALSE(GetRegistryDbgLevel());
    EXPECT_EQ(TraceSettings::trzLevel(), 0u);
}

TEST_F(DebugOptionsTest, MissingValuesGiveTheDefaults)
{
    TraceSettings::setOverwrite(false);
    TraceSettings::setTiming(true);
    GetDbgOptions();
    EXPECT_FALSE(TraceSettings::tracerOn());
    EXPECT_FALSE(TraceSettings::dbgOption());
    EXPECT_FALSE(TraceSettings::timing());
    EXPECT_FALSE(TraceSettings::extendedDebug());
    EXPECT_TRUE(TraceSettings::overwrite());
    EXPECT_FALSE(IsDbgEnabled());
}

TEST_F(DebugOptionsTest, FlagsReadAnyCaseAndTraceImpliesDebug)
{
    set("Trace", "YES");
    set("Debug", "no");
    set("Timing", "Yes");
    set("Extended Debug", "yes please");
    set("Overwrite Dbg File", "no");
    set("Trz_Level", "0x80000002");
    GetDbgOptions();
    EXPECT_TRUE(TraceSettings::tracerOn());
    EXPECT_TRUE(TraceSettings::dbgOption());
    EXPECT_TRUE(TraceSettings::timing());
    EXPECT_FALSE(TraceSettings::extendedDebug());
    EXPECT_FALSE(TraceSettings::overwrite());
    EXPECT_EQ(TraceSettings::trzLevel(), 0x80000002u);
    EXPECT_NE(
        readFile(trz).find(
            "]GetDbgOptions() bTracerOn=1,bDbgOption=1, bTiming=1 bOverwrite = 0 dwTrzLevel = -2147483646"),
        std::string::npos);
}

TEST_F(DebugOptionsTest, OptionsAreWrittenBack)
{
    TraceSettings::setDbgOption(true);
    TraceSettings::setTiming(true);
    TraceSettings::setTrzLevel(10);
    SetDbgOptions();
    EXPECT_EQ(get("Trace"), "no");
    EXPECT_EQ(get("Debug"), "yes");
    EXPECT_EQ(get("Timing"), "yes");
    EXPECT_EQ(get("Extended Debug"), "no");
    EXPECT_EQ(get("Overwrite Dbg File"), "yes");
    EXPECT_EQ(get("Trz_Level"), "0x0000000a");

    TraceSettings::setDbgOption(false);
    EXPECT_TRUE(IsDbgEnabled()); // the stored value still says yes
}

} // namespace
