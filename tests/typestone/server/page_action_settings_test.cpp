#include "typestone/server/page_action_settings.h"

#include "typestone/engine/field_text.h"
#include "typestone/engine/page_action_list.h"
#include "typestone/server/general_settings.h"

#include "app_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace typestone;
using Names = std::vector<std::string>;

TEST(PageActionSettingsTest, FieldVariablesAreNamesOfTheSetting)
{
    apptest::TempFolders folders;
    EXPECT_EQ(LoadFieldVariables(), DefaultFieldVariables()); // missing: the defaults
    struct Case
    {
        const char* text;
        Names names;
        Names rejected;
    };
    const Case cases[] = {
        {"SITE", {"SITE"}, {}},
        {" SITE, BRANCH;REGION\tDESK ", {"SITE", "BRANCH", "REGION", "DESK"}, {}},
        {"_OK1, 1BAD, A-B, $X", {"_OK1"}, {"1BAD", "A-B", "$X"}},
        {"", {}, {}}, // empty: no variable at all
        {"A,,;B", {"A", "B"}, {}},
    };
    for (const Case& c : cases) {
        SetCFGString("FieldVariables", c.text);
        Names rejected;
        EXPECT_EQ(LoadFieldVariables(&rejected), c.names) << c.text;
        EXPECT_EQ(rejected, c.rejected) << c.text;
    }
    // A name longer than any variable's is refused; a value too long to read gives the defaults.
    const std::string longName(kMaxFieldVariableName + 1, 'N');
    SetCFGString("FieldVariables", "OK " + longName);
    Names rejected;
    EXPECT_EQ(LoadFieldVariables(&rejected), Names{"OK"});
    EXPECT_EQ(rejected, Names{longName});
    SetCFGString("FieldVariables", std::string(kMaxFieldVariablesText + 1, 'A'));
    EXPECT_EQ(LoadFieldVariables(), DefaultFieldVariables());
}

TEST(PageActionSettingsTest, PageActionLimitWithinItsBounds)
{
    apptest::TempFolders folders;
    EXPECT_EQ(LoadPageActionLimit(), PageActionList::kDefaultLimit);
    const std::pair<const char*, size_t> cases[] = {
        {"65536", 65536},
        {" 1048576 ", 1048576},
        {"1073741824", 1073741824},
        {"65535", PageActionList::kDefaultLimit}, // below the least
        {"1073741825", PageActionList::kDefaultLimit},
        {"4MiB", PageActionList::kDefaultLimit},
        {"", PageActionList::kDefaultLimit},
    };
    for (const auto& [text, limit] : cases) {
        SetCFGString("PageActionLimit", text);
        EXPECT_EQ(LoadPageActionLimit(), limit) << text;
    }
}

} // namespace
