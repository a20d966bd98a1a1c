#include "app_fixture.h"

#include "typestone/server/service_install.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using typestone::ServiceInstaller;

std::string readAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ServiceInstallTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        apptest::ensureQtApp();
        // A systemctl that logs its arguments and says "enabled" once enable was run.
        systemctl = folders.path("systemctl");
        log = folders.path("systemctl.log");
        std::ofstream script(systemctl);
        script << "#!/bin/sh\n"
                  "echo \"$*\" >> '"
               << log
               << "'\n"
                  "case \"$1\" in is-enabled) grep -q '^enable ' '"
               << log << "' && ! grep -q '^disable' '" << log << "' ;; esac\n";
        script.close();
        std::filesystem::permissions(systemctl, std::filesystem::perms::owner_all);
    }

    apptest::TempFolders folders;
    std::string systemctl;
    std::string log;
};

TEST_F(ServiceInstallTest, InstallWritesTheUnitAndEnablesIt)
{
    ServiceInstaller installer(folders.path("units"), folders.path("autostart"), systemctl);
    EXPECT_FALSE(installer.IsInstalled());
    std::string error;
    ASSERT_TRUE(installer.Install("/opt/typestone/bin/typestone", &error)) << error;
    EXPECT_TRUE(installer.IsInstalled());
    const std::string unit = readAll(folders.path("units") + "/typestone.service");
    EXPECT_EQ(unit, ServiceInstaller::UnitFileText("/opt/typestone/bin/typestone"));
    EXPECT_NE(unit.find("\nType=notify\n"), std::string::npos);
    EXPECT_NE(unit.find("\nExecStart=/opt/typestone/bin/typestone\n"), std::string::npos);
    EXPECT_NE(unit.find("\nWantedBy=multi-user.target\n"), std::string::npos);
    // Room for the connection cap: systemd's default soft limit of 1024 is not enough.
    EXPECT_NE(unit.find("\nLimitNOFILE=8192\n"), std::string::npos);
    EXPECT_TRUE(installer.IsAutoStart());
    ASSERT_TRUE(installer.AutoStartService(&error)) << error;

    ASSERT_TRUE(installer.SetAutoStart(false, &error)) << error;
    EXPECT_FALSE(installer.IsAutoStart());
    ASSERT_TRUE(installer.Uninstall(&error)) << error;
    EXPECT_FALSE(installer.IsInstalled());
    EXPECT_EQ(readAll(log), "daemon-reload\n"
                            "enable typestone.service\n"
                            "is-enabled --quiet typestone.service\n"
                            "start typestone.service\n"
                            "disable typestone.service\n"
                            "is-enabled --quiet typestone.service\n"
                            "disable --now typestone.service\n"
                            "daemon-reload\n");
}

TEST_F(ServiceInstallTest, FailingSystemctlIsReported)
{
    ServiceInstaller installer(folders.path("units"), folders.path("autostart"), "/bin/false");
    std::string error;
    EXPECT_FALSE(installer.Install("/usr/bin/typestone", &error));
    EXPECT_NE(error.find("/bin/false"), std::string::npos);
    EXPECT_FALSE(installer.IsAutoStart());
}

TEST_F(ServiceInstallTest, TypestoneUIEntryOnlyWhenTheProgramIsThere)
{
    ServiceInstaller installer(folders.path("units"), folders.path("autostart"), "");
    const std::string programDir = folders.path("bin");
    std::filesystem::create_directories(programDir);
    std::string error;
    ASSERT_TRUE(installer.AutoStartupInRunUI(true, programDir, &error)) << error;
    EXPECT_FALSE(std::filesystem::exists(installer.UiDesktopPath()));

    std::ofstream(programDir + "/TypestoneUI") << "#!/bin/sh\n";
    std::filesystem::permissions(programDir + "/TypestoneUI", std::filesystem::perms::owner_all);
    ASSERT_TRUE(installer.AutoStartupInRunUI(true, programDir, &error)) << error;
    EXPECT_EQ(readAll(installer.UiDesktopPath()),
              ServiceInstaller::UiDesktopText(programDir + "/TypestoneUI"));
    ASSERT_TRUE(installer.AutoStartupInRunUI(false, programDir, &error)) << error;
    EXPECT_FALSE(std::filesystem::exists(installer.UiDesktopPath()));
}

} // namespace
