#include "typestone/server/desktop_autostart.h"
#include "typestone/server/port_values.h"
#include "typestone/server/tray_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using typestone::BuildTrayMenu;
using typestone::TrayMenuItem;
using typestone::TrayState;

namespace {

// One menu as "id:text[:checked][:grey]" per item, "-" for a separator.
std::string render(const std::vector<TrayMenuItem>& menu)
{
    std::string out;
    for (const TrayMenuItem& item : menu) {
        if (!out.empty())
            out += " | ";
        if (item.separator()) {
            out += "-";
            continue;
        }
        out += std::to_string(item.id) + ":" + item.text;
        if (item.checked)
            out += ":checked";
        if (!item.enabled)
            out += ":grey";
    }
    return out;
}

TEST(TrayMenuTest, ItemsFollowTheState)
{
    struct Case
    {
        TrayState state;
        std::string menu;
    } cases[] = {
        {{},
         "1:&Disable | 2:&Autoload on Startup | 3:&Show at Startup:grey | - | 5:&Help | 6:&About | "
         "7:Configuration | - | 9:&Stop Typestone"},
        {{.paused = true, .autoStart = true, .showAtStart = true},
         "1:&Enable | 2:&Autoload on Startup:checked | 3:&Show at Startup:checked:grey | - | 5:&Help | "
         "6:&About | "
         "7:Configuration | - | 9:&Stop Typestone"},
        {{.debug = true},
         "1:&Disable | 2:&Autoload on Startup | 3:&Show at Startup:grey | - | 5:&Help | 6:&About | "
         "7:Configuration | - | 9:&Stop Typestone | - | 11:Tracer | 12:Timing | 13:Edit Trace File"},
        {{.debug = true, .tracing = true, .timing = true},
         "1:&Disable | 2:&Autoload on Startup | 3:&Show at Startup:grey | - | 5:&Help | 6:&About | "
         "7:Configuration | - | 9:&Stop Typestone | - | 11:Tracer:checked | 12:Timing:checked | 13:Edit "
         "Trace File"},
        // Tracing without the debug switch offers no debug items.
        {{.tracing = true},
         "1:&Disable | 2:&Autoload on Startup | 3:&Show at Startup:grey | - | 5:&Help | 6:&About | "
         "7:Configuration | - | 9:&Stop Typestone"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(render(BuildTrayMenu(c.state)), c.menu);
}

TEST(TrayMenuTest, TipAndStatusLine)
{
    EXPECT_EQ(typestone::TrayTip(false), "Typestone Server is enabled");
    EXPECT_EQ(typestone::TrayTip(true), "Typestone Server is disabled");
    EXPECT_EQ(typestone::TrayStatusText({.paused = true, .tracing = true}),
              "\n(5)DisplayTrayMenu-> status=PAUSED NO-auto-start NO-show-startup TRACING NO-timing");
    EXPECT_EQ(typestone::RegisterServiceProcess(0, 1), 0);
}

TEST(TrayMenuTest, PortsFromTheDialogAreChecked)
{
    const typestone::PortConfig current{3339, 3339, 3341, 3341};
    struct Case
    {
        uint16_t service, aux;
        bool valid;
        typestone::PortConfig expected;
    } cases[] = {
        {3339, 3341, true, {3339, 3339, 3341, 3341}}, // unchanged
        {4000, 4002, true, {4000, 4000, 4002, 3341}},
        {4000, 4000, true, {4000, 4000, 4002, 3341}}, // auxiliary = service: its default
        {3341, 3343, true, {3341, 3341, 3343, 3343}}, // TypestoneUI's port may not be the UDP port
        {65535, 65535, true, {65535, 65535, 65533, 3341}},
        {0, 3341, false, {}},
        {4000, 0, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.service) + "/" + std::to_string(c.aux));
        const std::optional<typestone::PortConfig> ports =
            typestone::PortsFromDialog(current, c.service, c.aux);
        ASSERT_EQ(ports.has_value(), c.valid);
        if (ports) {
            EXPECT_EQ(*ports, c.expected);
        }
    }
}

TEST(DesktopAutoStartTest, EntryStartsTheProgram)
{
    EXPECT_NE(
        typestone::DesktopAutoStart::EntryText("/usr/bin/typestone").find("\nExec=/usr/bin/typestone\n"),
        std::string::npos);
    EXPECT_NE(typestone::DesktopAutoStart::EntryText("/opt/my apps/typestone")
                  .find("\nExec=\"/opt/my apps/typestone\"\n"),
              std::string::npos);
}

} // namespace
