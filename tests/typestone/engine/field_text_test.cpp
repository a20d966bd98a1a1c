// The text of inserted fields: page-number formats from the host, date and time pictures in
// English and Spanish at a fixed time, and environment values behind the allow-list.

#include "typestone/engine/date_pictures.h"
#include "typestone/engine/field_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using typestone::DateLanguage;
using typestone::FieldSources;
using typestone::FormField;
using typestone::LocalTime;

LocalTime at(int year, int month, int day, int weekday, int hour, int minute, int second)
{
    LocalTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.weekday = weekday;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

// Thursday 5 March 2026, 14:07:09.
const LocalTime kAfternoon = at(2026, 3, 5, 4, 14, 7, 9);

TEST(FieldTextTest, PageNumberFormats)
{
    struct Case
    {
        const char* format;
        unsigned page;
        const char* text; // null: the format is refused
    };
    const Case cases[] = {
        {"%u", 7, "7"},           {"Page %u", 7, "Page 7"}, {"%03d", 7, "007"},
        {"[%-4u]", 7, "[7   ]"},  {"%+i", 7, "+7"},         {"%x/%%", 255, "ff/%"},
        {"%#X", 255, "0XFF"},     {"%o", 8, "10"},          {"100%% of %u", 3, "100% of 3"},
        {"Page", 1, nullptr},     {"%s", 1, nullptr},       {"%n", 1, nullptr},
        {"%u of %u", 1, nullptr}, {"%.3u", 1, nullptr},     {"%lu", 1, nullptr},
        {"%*u", 1, nullptr},      {"%1000u", 1, nullptr},   {"%", 1, nullptr},
        {"%-", 1, nullptr},
    };
    for (const Case& c : cases) {
        std::string out = "untouched";
        EXPECT_EQ(typestone::FormatPageNumber(c.format, c.page, &out), c.text != nullptr) << c.format;
        EXPECT_EQ(out, c.text ? c.text : "untouched") << c.format;
    }
    // The widest width taken.
    std::string wide;
    ASSERT_TRUE(typestone::FormatPageNumber("%999u", 1, &wide));
    EXPECT_EQ(wide.size(), 999u);
}

TEST(FieldTextTest, PageFieldKeepsToItsRoom)
{
    FieldSources sources;
    // A refused format is printed as it stands.
    auto f = FormField(typestone::kFieldPage, "Page %s", 4, sources);
    EXPECT_TRUE(f.ok);
    EXPECT_EQ(f.text, "Page %s");
    EXPECT_FALSE(f.note.empty());
    f = FormField(typestone::kFieldPage, "", 4, sources);
    EXPECT_EQ(f.text, "4");
    // Wide enough to pass the room: cut to it.
    f = FormField(typestone::kFieldPage, "%500u", 4, sources);
    EXPECT_TRUE(f.ok);
    EXPECT_EQ(f.text.size(), typestone::kFieldRoom - 1);
    EXPECT_EQ(f.text.back(), ' ');
    EXPECT_NE(f.note.find("cut to 299"), std::string::npos);
    f = FormField(typestone::kFieldPage, "%-500u", 4, sources);
    EXPECT_EQ(f.text.front(), '4');
}

struct PictureCase
{
    DateLanguage language;
    bool date;
    const char* picture; // empty: the language's own
    LocalTime time;
    const char* text;
};

TEST(FieldTextTest, DateAndTimePictures)
{
    const DateLanguage en = DateLanguage::English;
    const DateLanguage es = DateLanguage::Spanish;
    const PictureCase cases[] = {
        {en, true, "", kAfternoon, "3/5/2026"},
        {es, true, "", kAfternoon, "05/03/2026"},
        {en, true, "dddd, MMMM d, yyyy", kAfternoon, "Thursday, March 5, 2026"},
        {en, true, "ddd',' MMM dd yy", kAfternoon, "Thu, Mar 05 26"},
        {es, true, "dddd, d 'de' MMMM 'de' yyyy", kAfternoon, "jueves, 5 de marzo de 2026"},
        {es, true, "ddd dd-MMM-yy", at(2026, 8, 1, 6, 0, 0, 0),
         "s\xE1"
         "b 01-ago-26"},
        {es, true, "dddd", at(2026, 3, 4, 3, 0, 0, 0), "mi\xE9rcoles"},
        {en, true, "d/M/y", at(2009, 1, 2, 5, 0, 0, 0), "2/1/9"},
        {en, true, "gg yyyy", kAfternoon, "A.D. 2026"},
        {es, true, "yyyy gg", kAfternoon, "2026 d. C."},
        {en, true, "'It''s' d 'hh'", kAfternoon, "It's 5 hh"},
        {en, true, "d hh:mm 'open", kAfternoon, "5 hh:mm open"}, // time letters and an open quote
        {en, false, "", kAfternoon, "2:07:09 PM"},
        {es, false, "", kAfternoon, "14:07:09"},
        {en, false, "hh:mm tt", kAfternoon, "02:07 PM"},
        {en, false, "H:m:s t", kAfternoon, "14:7:9 P"},
        {en, false, "h tt", at(2026, 1, 1, 4, 0, 5, 0), "12 AM"},
        {en, false, "h tt", at(2026, 1, 1, 4, 12, 5, 0), "12 PM"},
        {es, false, "h:mm tt", kAfternoon, "2:07 p. m."},
        {es, false, "HH:mm t", at(2026, 1, 1, 4, 9, 30, 0), "09:30 a"},
        {en, false, "HH 'h' dd", kAfternoon, "14 h dd"}, // date letters stay in a time
    };
    for (const PictureCase& c : cases) {
        FieldSources sources;
        sources.clock = [&c] { return c.time; };
        sources.language = c.language;
        const auto f =
            FormField(c.date ? typestone::kFieldDate : typestone::kFieldTime, c.picture, 1, sources);
        EXPECT_TRUE(f.ok) << c.picture;
        EXPECT_EQ(f.text, c.text) << (c.date ? "date " : "time ") << c.picture;
    }
}

TEST(FieldTextTest, DateLanguageFollowsTheTimeLocale)
{
    struct Case
    {
        const char* lcAll;
        const char* lcTime;
        const char* lang;
        DateLanguage language;
    };
    const Case cases[] = {
        {nullptr, "es_ES.UTF-8", "en_US.UTF-8", DateLanguage::Spanish},
        {nullptr, nullptr, "es_AR.UTF-8", DateLanguage::Spanish},
        {"C", "es_ES.UTF-8", nullptr, DateLanguage::English},
        {nullptr, nullptr, nullptr, DateLanguage::English},
    };
    auto put = [](const char* name, const char* value) {
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    };
    for (const Case& c : cases) {
        put("LC_ALL", c.lcAll);
        put("LC_TIME", c.lcTime);
        put("LANG", c.lang);
        EXPECT_EQ(typestone::SystemDateLanguage(), c.language) << (c.lcTime ? c.lcTime : "-");
    }
}

TEST(FieldTextTest, EnvironmentValuesOnlyFromTheAllowList)
{
    ::setenv("TS_FIELD_SITE", "Almac\xC3\xA9n 3", 1);
    ::setenv("TS_FIELD_SECRET", "hunter2", 1);
    ::setenv("TS_FIELD_LONG", std::string(400, 'v').c_str(), 1);
    ::setenv("TS_FIELD_RAW", "\xFF\xFE", 1);
    ::unsetenv("TS_FIELD_UNSET");
    FieldSources sources;
    sources.variables = {"TS_FIELD_SITE", "TS_FIELD_LONG", "TS_FIELD_RAW", "TS_FIELD_UNSET"};
    struct Case
    {
        const char* name;
        bool ok;
        std::string text;
    };
    const Case cases[] = {
        {"TS_FIELD_SITE", true, "Almac\xE9n 3"}, // UTF-8 to ANSI
        {"TS_FIELD_RAW", true, "\xFF\xFE"},      // not UTF-8: as it is
        {"TS_FIELD_LONG", true, std::string(299, 'v')},
        {"TS_FIELD_SECRET", true, ""}, // set, but not allowed: nothing
        {"ts_field_site", true, ""},   // names are exact
        {"TS_FIELD_UNSET", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        const auto f = FormField(typestone::kFieldVariable, c.name, 1, sources);
        EXPECT_EQ(f.ok, c.ok) << c.name;
        EXPECT_EQ(f.text, c.text) << c.name;
    }
    // The defaults are harmless names only.
    EXPECT_EQ(FieldSources{}.variables,
              (std::vector<std::string>{"USER", "LOGNAME", "HOSTNAME", "LANG", "TZ"}));
    EXPECT_FALSE(FormField(4, "", 1, sources).ok);
    for (const char* name : {"TS_FIELD_SITE", "TS_FIELD_SECRET", "TS_FIELD_LONG", "TS_FIELD_RAW"})
        ::unsetenv(name);
}

} // namespace
