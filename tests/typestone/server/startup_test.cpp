#include "app_fixture.h"

#include "typestone/server/com_registration.h"
#include "typestone/server/command_line.h"
#include "typestone/server/drive_settings.h"
#include "typestone/server/general_settings.h"
#include "typestone/server/time_text.h"
#include "typestone/server/typestone_app.h"

#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/reg_entry.h"

#include "platform/settings/settings_store.h"

#include <gtest/gtest.h>

namespace {

using typestone::CommandLine;
using typestone::ParseCommandLine;

struct CommandLineCase
{
    const char* line;
    bool install, uninstall, regServer, unregServer, embedding, debug;
};

TEST(CommandLineTest, SwitchesAndDebugPrefix)
{
    const CommandLineCase cases[] = {
        {"", false, false, false, false, false, false},
        {"-i", true, false, false, false, false, false},
        {"/I", true, false, false, false, false, false},
        {"/u", false, true, false, false, false, false},
        {"-U", false, true, false, false, false, false},
        {"/RegServer", false, false, true, false, false, false},
        {"-unregserver", false, false, false, true, false, false},
        {"/Embedding", false, false, false, false, true, false},
        {"-Automation", false, false, false, false, true, false},
        // The switch must be the whole rest of the line.
        {"/i extra", false, false, false, false, false, false},
        {"install", false, false, false, false, false, false},
        // Debugging: only a line that begins with /DEBUG, in any case.
        {"/debug", false, false, false, false, false, true},
        {"/DEBUG /i", true, false, false, false, false, true},
        {"/DeBuGging", false, false, false, false, false, true},
        {"/i /DEBUG", false, false, false, false, false, false},
        {"-DEBUG", false, false, false, false, false, false},
    };
    for (const CommandLineCase& c : cases) {
        const CommandLine parsed = ParseCommandLine(c.line);
        SCOPED_TRACE(c.line);
        EXPECT_EQ(parsed.install, c.install);
        EXPECT_EQ(parsed.uninstall, c.uninstall);
        EXPECT_EQ(parsed.regServer, c.regServer);
        EXPECT_EQ(parsed.unregServer, c.unregServer);
        EXPECT_EQ(parsed.embedding, c.embedding);
        EXPECT_EQ(parsed.debug, c.debug);
    }
}

TEST(CommandLineTest, ArgumentsAreJoinedWithBlanks)
{
    char a0[] = "typestone", a1[] = "/DEBUG", a2[] = "/i";
    char* argv[] = {a0, a1, a2, nullptr};
    EXPECT_EQ(typestone::JoinArguments(3, argv), "/DEBUG /i");
    EXPECT_EQ(typestone::JoinArguments(1, argv), "");
}

TEST(TimeTextTest, HoursMinutesSeconds)
{
    EXPECT_EQ(typestone::SecondsToText(0), "00:00:00");
    EXPECT_EQ(typestone::SecondsToText(3725), "01:02:05");
    EXPECT_EQ(typestone::SecondsToText(90000), "25:00:00");
    EXPECT_EQ(typestone::SecondsToText(59), "00:00:59");
}

class GeneralSettingsTest : public ::testing::Test
{
protected:
    apptest::TempFolders folders;
};

TEST_F(GeneralSettingsTest, DefaultsWhenNothingIsStored)
{
    typestone::GeneralSettings s;
    s.showAtStart = true;
    s.messages = false;
    typestone::GetSettings(&s);
    EXPECT_FALSE(s.showAtStart);
    EXPECT_FALSE(s.useDns);
    EXPECT_TRUE(s.messages);
    EXPECT_TRUE(s.minPrtProgress);
    EXPECT_FALSE(s.logging);
    EXPECT_EQ(s.dataIdleSeconds, 300u);

    const typestone::PortConfig ports = typestone::LoadPortConfig();
    EXPECT_EQ(ports.udp, 3339);
    EXPECT_EQ(ports.tcp, 3339);
    EXPECT_EQ(ports.aux, 3341);
    EXPECT_EQ(ports.udpAux, 3341);
}

TEST_F(GeneralSettingsTest, DriveMapFromTheSettingsWithEveryLetterByDefault)
{
    const std::string state = folders.path("state/typestone");
    const std::string section = typestone::DrivesSection();
    EXPECT_NE(section.find("Typestone\\Drives"), std::string::npos) << section;
    const std::string own = folders.path("own");
    const std::string tooLong(5000, 'x');
    struct Value
    {
        const char* name;
        std::string folder;
    };
    for (const Value& v :
         {Value{"D", own}, Value{"E", ""}, Value{"F", "relative/folder"}, Value{"G", "/" + tooLong}})
        SetRegistryEntry(section.c_str(), v.name, v.folder.c_str(), uint32_t(v.folder.size() + 1),
                         KLV_REG_SZ);

    std::vector<std::string> report;
    const typestone::DriveMap map = typestone::LoadDriveMap(state, &report);
    struct Row
    {
        const char* host;
        std::string local; // empty: not mapped
    };
    const Row rows[] = {
        {"C:\\PDF\\OUT.PDF", state + "/drives/C/PDF/OUT.PDF"},
        {"a:\\X", state + "/drives/A/X"},
        {"Z:\\X", state + "/drives/Z/X"},
        {"D:\\X", own + "/X"},
        {"E:\\X", ""},
        {"F:\\X", ""},
        {"G:\\X", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(map.map(r.host).value_or(""), r.local) << r.host;
    EXPECT_EQ(report, (std::vector<std::string>{
                          "host drive D: is " + own,
                          "host drive E: not mapped",
                          "host drive F: not mapped: 'relative/folder' is not an absolute folder",
                          "host drive G: not mapped: its folder name is longer than 4096 bytes",
                      }));
    // Nothing is made before a job writes there.
    EXPECT_FALSE(std::filesystem::exists(state + "/drives"));
}

TEST_F(GeneralSettingsTest, FlagsAreYesNoTextsAndRoundTrip)
{
    typestone::GeneralSettings s;
    s.useDns = true;
    s.messages = false;
    s.logging = true;
    CMsgDlg::EnableMsgs(0); // "Messages" is taken from the dialogs' switch
    typestone::SaveSettings(s);
    CMsgDlg::EnableMsgs(1);

    char buffer[10] = {};
    uint32_t size = sizeof buffer;
    ASSERT_TRUE(GetRegistryEntry(typestone::GeneralSection().c_str(), "szUseDNS", buffer, &size));
    EXPECT_STREQ(buffer, "yes");
    size = sizeof buffer;
    ASSERT_TRUE(GetRegistryEntry(typestone::GeneralSection().c_str(), "Messages", buffer, &size));
    EXPECT_STREQ(buffer, "no");

    typestone::GeneralSettings read;
    typestone::GetSettings(&read);
    EXPECT_TRUE(read.useDns);
    EXPECT_FALSE(read.messages);
    EXPECT_TRUE(read.logging);

    typestone::SetCFGString("ShowAtStart", "YES");
    EXPECT_TRUE(typestone::GetCFGFlag("ShowAtStart", false));
    typestone::SetCFGString("ShowAtStart", "yes!");
    EXPECT_FALSE(typestone::GetCFGFlag("ShowAtStart", true));
}

// A reload while the store fails keeps the flags in force and says so; a value that is only
// missing still means its default.
TEST_F(GeneralSettingsTest, ReloadWithAFailingStoreKeepsTheFlags)
{
    typestone::SetCFGFlag("szUseDNS", true);
    typestone::SetCFGFlag("JobLogging", true);
    typestone::GeneralSettings s;
    typestone::GetSettings(&s);
    ASSERT_TRUE(s.useDns);
    ASSERT_TRUE(s.logging);

    auto store = platform::SettingsStore::shared();
    ASSERT_TRUE(store);
    testing::internal::CaptureStderr();
    store->failOperationsAfter(0);
    typestone::GetSettings(&s);
    store->failOperationsAfter(-1);
    const std::string journal = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(s.useDns);
    EXPECT_TRUE(s.logging);
    EXPECT_TRUE(s.messages);
    EXPECT_NE(journal.find("typestone: the settings store failed reading the setting szUseDNS"),
              std::string::npos)
        << journal;

    RemoveRegistryValue(typestone::GeneralSection().c_str(), "szUseDNS");
    typestone::GetSettings(&s);
    EXPECT_FALSE(s.useDns);
    EXPECT_TRUE(s.logging);

    // Saving into a store that takes nothing says what was lost.
    testing::internal::CaptureStderr();
    store->failOperationsAfter(0, true);
    typestone::SaveSettings(s);
    store->failOperationsAfter(-1);
    const std::string saving = testing::internal::GetCapturedStderr();
    EXPECT_NE(saving.find("typestone: the settings store failed writing the setting JobLogging"),
              std::string::npos)
        << saving;
    EXPECT_TRUE(typestone::GetCFGFlag("JobLogging", false));
}

TEST_F(GeneralSettingsTest, MessagesSettingDrivesTheDialogSwitch)
{
    typestone::GeneralSettings s;
    typestone::SetCFGFlag("Messages", false);
    typestone::GetSettings(&s);
    EXPECT_FALSE(s.messages);
    EXPECT_EQ(CMsgDlg::AreMsgsEnabled(), 0);
    // A dialog built now without the show flag gets no window.
    CMsgDlgOptions options;
    options.templateId = 1003;
    CMsgDlg hidden(options);
    EXPECT_EQ(hidden.IsEnabled(), 0);

    typestone::SetCFGFlag("Messages", true);
    typestone::GetSettings(&s);
    EXPECT_EQ(CMsgDlg::AreMsgsEnabled(), 1);

    // Someone ticked "Disable Progress Dialog Box": the setting follows the switch, not the
    // value read at start.
    CMsgDlg::EnableMsgs(0);
    typestone::SaveSettings(s);
    EXPECT_FALSE(s.messages);
    EXPECT_FALSE(typestone::GetCFGFlag("Messages", true));
    CMsgDlg::EnableMsgs(1);
    typestone::SaveSettings(s);
    EXPECT_TRUE(typestone::GetCFGFlag("Messages", false));
}

TEST_F(GeneralSettingsTest, BadPortValuesGiveTheDefault)
{
    const struct
    {
        const char* text;
        uint16_t expected;
    } cases[] = {{"4000", 4000}, {" 4001 ", 4001}, {"0", 3339}, {"65536", 3339}, {"12ab", 3339}, {"", 3339}};
    for (const auto& c : cases) {
        typestone::SetCFGString("TCP_TYPESTONE", c.text);
        EXPECT_EQ(typestone::GetPortCfg("TCP_TYPESTONE", 3339), c.expected) << c.text;
    }
    // The auxiliary ports follow their main port.
    typestone::SetCFGString("TCP_TYPESTONE", "5000");
    typestone::SetCFGString("UDP_TYPESTONE", "6000");
    const typestone::PortConfig ports = typestone::LoadPortConfig();
    EXPECT_EQ(ports.aux, 5002);
    EXPECT_EQ(ports.udpAux, 6002);
}

TEST_F(GeneralSettingsTest, DataIdleLimitIsSecondsWithinADay)
{
    const struct
    {
        const char* text;
        uint32_t expected;
    } cases[] = {{"2", 2},     {" 90 ", 90},   {"86400", 86400},
                 {"0", 300},   {"86401", 300}, {"-5", 300},
                 {"1e3", 300}, {"", 300},      {"99999999999999999999", 300}};
    for (const auto& c : cases) {
        typestone::SetCFGString("TCP_DATA_IDLE_SECONDS", c.text);
        typestone::GeneralSettings s;
        typestone::GetSettings(&s);
        EXPECT_EQ(s.dataIdleSeconds, c.expected) << c.text;
    }
}

TEST_F(GeneralSettingsTest, RegServerWritesAndUnregServerRemovesTheAppId)
{
    std::shared_ptr<platform::SettingsStore> store = platform::SettingsStore::shared();
    ASSERT_TRUE(store);
    const std::string guidKey = std::string("AppID\\") + typestone::kAppIdGuid;
    ASSERT_TRUE(typestone::RegisterAppId());
    std::string text;
    EXPECT_EQ(store->readString(platform::RegRoot::ClassesRoot, guidKey, "", &text),
              platform::StoreStatus::Ok);
    EXPECT_EQ(text, "Typestone");
    EXPECT_EQ(store->readString(platform::RegRoot::ClassesRoot, "AppID\\Typestone.EXE", "AppID", &text),
              platform::StoreStatus::Ok);
    EXPECT_EQ(text, typestone::kAppIdGuid);

    ASSERT_TRUE(typestone::UnregisterAppId());
    EXPECT_FALSE(store->keyExists(platform::RegRoot::ClassesRoot, guidKey));
    EXPECT_FALSE(store->keyExists(platform::RegRoot::ClassesRoot, "AppID\\Typestone.EXE"));
    EXPECT_TRUE(typestone::UnregisterAppId()); // nothing left to remove is fine
}

class AppMainTest : public ::testing::Test
{
protected:
    void SetUp() override { apptest::ensureQtApp(); }

    int runMain(std::vector<std::string> args)
    {
        args.insert(args.begin(), "typestone");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        typestone::CTypestoneApp app;
        return app.Main(int(args.size()), argv.data(), nullptr);
    }

    bool pathWritten()
    {
        char buffer[512] = {};
        uint32_t size = sizeof buffer;
        return GetRegistryEntry(typestone::GeneralSection().c_str(), "Path", buffer, &size) != 0;
    }

    apptest::TempFolders folders;
};

TEST_F(AppMainTest, ComSwitchesEndWithoutServing)
{
    std::shared_ptr<platform::SettingsStore> store = platform::SettingsStore::shared();
    const std::string guidKey = std::string("AppID\\") + typestone::kAppIdGuid;
    EXPECT_EQ(runMain({"/RegServer"}), 0);
    EXPECT_TRUE(store->keyExists(platform::RegRoot::ClassesRoot, guidKey));
    EXPECT_EQ(runMain({"-UnregServer"}), 0);
    EXPECT_FALSE(store->keyExists(platform::RegRoot::ClassesRoot, guidKey));
    EXPECT_EQ(runMain({"/Embedding"}), 0);
    // None of them went as far as the start-up settings.
    EXPECT_FALSE(pathWritten());
}

TEST_F(AppMainTest, InstallAndUninstallTheUnit)
{
    folders.env().set("TYPESTONE_UNIT_DIR", folders.path("units"));
    folders.env().set("TYPESTONE_AUTOSTART_DIR", folders.path("autostart"));
    folders.env().set("TYPESTONE_SYSTEMCTL", "");
    const std::string unit = folders.path("units") + "/typestone.service";
    EXPECT_EQ(runMain({"/i"}), 0);
    EXPECT_TRUE(std::filesystem::exists(unit));
    EXPECT_TRUE(pathWritten());
    EXPECT_EQ(runMain({"-u"}), 0);
    EXPECT_FALSE(std::filesystem::exists(unit));
}

} // namespace
