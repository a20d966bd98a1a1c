#include "platform/strings/string_table.h"

#include "tests/support/env/scoped_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern const char test_strings_en[];
extern const std::size_t test_strings_en_size;
extern const char test_strings_es[];
extern const std::size_t test_strings_es_size;

namespace platform {
namespace {

using Language = StringTable::Language;

StringTable embeddedTable()
{
    return StringTable({"strings.en.txt", {test_strings_en, test_strings_en_size}},
                       {"strings.es.txt", {test_strings_es, test_strings_es_size}});
}

using ts::support::ScopedEnv;

TEST(StringTableTest, EmbeddedEnglishTable)
{
    StringTable table = embeddedTable();
    table.setLanguage(Language::English);
    EXPECT_TRUE(table.ok()) << ::testing::PrintToString(table.errors());
    EXPECT_EQ(table.language(), Language::English);

    struct Case
    {
        std::uint32_t id;
        std::string text;
    };
    const Case cases[] = {
        {1, "Hello"},
        {2, "Line one\nLine two\tTabbed \"quoted\" back\\slash A\xC3\xB1 end\r"},
        {3, "Only in English"},
        {10, "Padded with blanks and a tab"},
        {20, ""}, // present and empty is not missing
        {100, "Semicolon; [bracket ${NOT_A_VARIABLE} @ONLY@ ]]"},
        {4294967295u, "Largest id"},
        {413, "Time:"},
        {101, "\\x00 stays text"}, // an escaped backslash, not a NUL
    };
    for (const Case& c : cases)
        EXPECT_EQ(table.get(c.id), c.text) << "id " << c.id;
}

TEST(StringTableTest, SpanishFallsBackToEnglishAndMissingIdsStayMissing)
{
    StringTable table = embeddedTable();
    table.setLanguage(Language::Spanish);
    EXPECT_TRUE(table.ok());
    EXPECT_EQ(table.language(), Language::Spanish);
    EXPECT_EQ(table.get(1), "Hola");
    EXPECT_EQ(table.get(2), "L\xC3\xADnea uno\nL\xC3\xADnea dos");
    EXPECT_EQ(table.get(413), "Tiempo:");
    EXPECT_EQ(table.get(3), "Only in English"); // not translated
    EXPECT_EQ(table.get(20), "");
    EXPECT_EQ(table.get(62025), "Imprimiendo");
    EXPECT_EQ(table.get(999), std::nullopt);

    table.setLanguage(Language::English);
    EXPECT_EQ(table.get(62025), std::nullopt); // only in the Spanish table
    EXPECT_EQ(table.get(999), std::nullopt);
    EXPECT_EQ(table.get(0), std::nullopt);
}

TEST(StringTableTest, LanguageFromLocaleVariables)
{
    struct Case
    {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        Language expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, Language::English},
        {nullptr, nullptr, "es_ES.UTF-8", Language::Spanish},
        {nullptr, nullptr, "es", Language::Spanish},
        {nullptr, nullptr, "es.UTF-8", Language::Spanish},
        {nullptr, nullptr, "es@euro", Language::Spanish},
        {nullptr, nullptr, "en_US.UTF-8", Language::English},
        {nullptr, nullptr, "en_ES.UTF-8", Language::English}, // English spoken in Spain
        {nullptr, nullptr, "est_EE", Language::English},      // not "es"
        {nullptr, nullptr, "C", Language::English},
        {nullptr, "en_US.UTF-8", "es_ES.UTF-8", Language::English}, // LC_MESSAGES before LANG
        {nullptr, "es_AR.UTF-8", "en_US.UTF-8", Language::Spanish},
        {"es_MX.UTF-8", "en_US.UTF-8", "en_US.UTF-8", Language::Spanish}, // LC_ALL first
        {"C", "es_ES.UTF-8", "es_ES.UTF-8", Language::English},
        {"POSIX", nullptr, "es_ES", Language::English},
        {"", "es_CO.UTF-8", nullptr, Language::Spanish}, // empty counts as not set
        {"", "", "es_ES", Language::Spanish},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StringTable::languageFromLocale(c.lcAll, c.lcMessages, c.lang), c.expected)
            << (c.lcAll ? c.lcAll : "-") << " / " << (c.lcMessages ? c.lcMessages : "-") << " / "
            << (c.lang ? c.lang : "-");
    }
}

TEST(StringTableTest, FollowsTheEnvironmentUnlessForced)
{
    ScopedEnv environment;
    environment.unset("LC_ALL");
    environment.set("LC_MESSAGES", "es_ES.UTF-8");
    environment.set("LANG", "en_US.UTF-8");
    EXPECT_EQ(StringTable::systemLanguage(), Language::Spanish);

    StringTable table = embeddedTable();
    EXPECT_EQ(table.language(), Language::Spanish);
    EXPECT_EQ(table.get(1), "Hola");
    table.setLanguage(Language::English);
    EXPECT_EQ(table.get(1), "Hello");
    table.setLanguage(std::nullopt);
    EXPECT_EQ(table.get(1), "Hola");

    environment.set("LC_ALL", "en_GB.UTF-8");
    EXPECT_EQ(StringTable::systemLanguage(), Language::English);
    EXPECT_EQ(embeddedTable().get(1), "Hello");
}

TEST(StringTableTest, CommentsBlanksAndCrLfLines)
{
    const std::string english =
        "# comment\r\n\r\n  \t\r\n\t# indented comment\r\n7 \"seven\"\r\n8\t\"eight\" \t\r\n"
        "9 \"no newline at the end\"";
    StringTable table({"crlf.en.txt", english}, {"crlf.es.txt", ""});
    table.setLanguage(Language::English);
    EXPECT_TRUE(table.ok()) << ::testing::PrintToString(table.errors());
    EXPECT_EQ(table.get(7), "seven");
    EXPECT_EQ(table.get(8), "eight");
    EXPECT_EQ(table.get(9), "no newline at the end");
}

TEST(StringTableTest, FaultyLinesAreReportedWithFileAndLine)
{
    struct Case
    {
        std::string line;
        std::string error;
    };
    const Case cases[] = {
        {"abc \"x\"", "bad.en.txt:3: malformed line (expected: <id> \"<text>\")"},
        {"\"x\"", "bad.en.txt:3: malformed line (expected: <id> \"<text>\")"},
        {"5\"x\"", "bad.en.txt:3: expected a blank and a quoted text after the id"},
        {"5", "bad.en.txt:3: expected a blank and a quoted text after the id"},
        {"5 x", "bad.en.txt:3: expected a quoted text after the id"},
        {"5 \"unterminated", "bad.en.txt:3: missing closing quote"},
        {"5 \"ends in \\", "bad.en.txt:3: a backslash ends the line"},
        {"5 \"bad \\q escape\"", "bad.en.txt:3: unknown escape \\q"},
        {"5 \"\\x4\"", "bad.en.txt:3: \\x needs two hex digits"},
        {"5 \"\\xG1\"", "bad.en.txt:3: \\x needs two hex digits"},
        {"5 \"\\x00\"", "bad.en.txt:3: \\x00 is not allowed in a string"},
        {"5 \"x\" y", "bad.en.txt:3: unexpected text after the closing quote"},
        {"5 \"x\" # no trailing comments", "bad.en.txt:3: unexpected text after the closing quote"},
        {"4294967296 \"x\"", "bad.en.txt:3: id is out of range (0..4294967295)"},
        {"99999999999999999999999 \"x\"", "bad.en.txt:3: id is out of range (0..4294967295)"},
        {"1 \"again\"", "bad.en.txt:3: id 1 already defined on line 1"},
    };
    for (const Case& c : cases) {
        // The good lines around the faulty one are kept; a duplicate keeps the first text.
        const std::string english = "1 \"one\"\n\n" + c.line + "\n2 \"two\"\n";
        StringTable table({"bad.en.txt", english}, {"bad.es.txt", "1 \"uno\"\n"});
        table.setLanguage(Language::English);
        EXPECT_FALSE(table.ok()) << c.line;
        EXPECT_EQ(table.errors(), std::vector<std::string>{c.error}) << c.line;
        EXPECT_EQ(table.get(1), "one") << c.line;
        EXPECT_EQ(table.get(2), "two") << c.line;
        EXPECT_EQ(table.get(5), std::nullopt) << c.line;
    }
}

TEST(StringTableTest, FaultsOfBothFilesAreReported)
{
    StringTable table({"a.en.txt", "1 \"one\"\nx\n"}, {"a.es.txt", "# c\n1 \"uno\"\n2 \"\\z\"\n"});
    EXPECT_EQ(table.errors(),
              (std::vector<std::string>{"a.en.txt:2: malformed line (expected: <id> \"<text>\")",
                                        "a.es.txt:3: unknown escape \\z"}));
    table.setLanguage(Language::Spanish);
    EXPECT_EQ(table.get(1), "uno");
}

TEST(StringTableTest, FirstUseFromSeveralThreads)
{
    StringTable table = embeddedTable();
    table.setLanguage(Language::Spanish);
    std::vector<std::thread> threads;
    std::vector<std::optional<std::string>> results(8);
    for (std::size_t t = 0; t < results.size(); ++t)
        threads.emplace_back([&, t] { results[t] = table.get(t % 2 ? 1 : 3); });
    for (auto& thread : threads)
        thread.join();
    for (std::size_t t = 0; t < results.size(); ++t)
        EXPECT_EQ(results[t], t % 2 ? "Hola" : "Only in English");
}

} // namespace
} // namespace platform
