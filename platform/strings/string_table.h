#pragma once
// A deliverable's user-visible strings in English and Spanish, looked up by numeric id.
//
// The texts are compiled in with typestone_string_table() (cmake/TypestoneStrings.cmake),
// which defines for a symbol S:
//
//   extern const char S_en[];  extern const std::size_t S_en_size;
//   extern const char S_es[];  extern const std::size_t S_es_size;
//
// Declare those where the table is built and pass them in:
//
//   platform::StringTable table({"strings.en.txt", {S_en, S_en_size}},
//                               {"strings.es.txt", {S_es, S_es_size}});
//
// The texts are parsed on first use, once, from whichever thread comes first; afterwards all
// functions may be called from any thread.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

struct StringTableSource
{
    std::string name;      // the file's name, for error messages
    std::string_view text; // must outlive the table (compiled-in text does)
};

class StringTable
{
public:
    enum class Language
    {
        English,
        Spanish
    };

    StringTable(StringTableSource english, StringTableSource spanish);

    // The string in the current language. An id missing from the Spanish table comes from the
    // English one; an id in neither is missing (never an empty string).
    std::optional<std::string> get(std::uint32_t id) const;

    // The forced language if there is one, else the system's (read once, on first use).
    Language language() const;
    // Forces a language (a setting, a test); nullopt follows the system again.
    void setLanguage(std::optional<Language> language);

    // True when both texts parsed without fault. Faulty lines are skipped and reported in
    // errors() as "<name>:<line>: <reason>"; the good lines are still served.
    bool ok() const;
    std::vector<std::string> errors() const;

    // The language of a locale as the C library picks it: LC_ALL, else LC_MESSAGES, else
    // LANG, the first that is set and not empty. Spanish when its language part (before '_',
    // '.' or '@') is "es", English otherwise (also when none is set). nullptr = not set.
    static Language languageFromLocale(const char* lcAll, const char* lcMessages, const char* lang);
    // languageFromLocale() of this process's environment.
    static Language systemLanguage();

private:
    using Table = std::unordered_map<std::uint32_t, std::string>;

    void load() const;
    static void parse(const StringTableSource& source, Table& table, std::vector<std::string>& errors);

    StringTableSource m_english;
    StringTableSource m_spanish;
    std::atomic<int> m_forced{-1}; // -1: follow the system, else a Language

    mutable std::once_flag m_loaded;
    mutable Table m_englishTable;
    mutable Table m_spanishTable;
    mutable std::vector<std::string> m_errors;
    mutable Language m_systemLanguage = Language::English;
};

} // namespace platform
