// String-table files
//
// A table is UTF-8 text (no byte-order mark), one entry per line:
//
//     <id> "<text>"
//
// <id> is a decimal number 0..4294967295, followed by at least one blank (space or tab) and
// the text in double quotes; blanks may come before the id and after the closing quote.
// Inside the quotes every byte stands for itself except '"' and '\', which begin escapes:
// \n (line feed), \r (carriage return), \t (tab), \" (quote), \\ (backslash) and \xHH
// (the byte with the two hex digits HH, 01..FF; a NUL is refused). Lines that are empty,
// blank, or whose first non-blank character is '#' are comments. A line ending in CR LF is
// read like one ending in LF. An id may appear once per file.
//
// The build checks the same rules (cmake/TypestoneStrings.cmake) and stops at a faulty line;
// the parser here checks them again and reports "<name>:<line>: <reason>" without giving up
// on the other lines.

#include "platform/strings/string_table.h"
#include "platform/text/hex_digit.h"

#include <cstdlib>
#include <utility>

namespace platform {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Parses one entry line (not a comment). On success fills id and text and returns an empty
// string; otherwise returns the reason.
std::string parseEntry(std::string_view line, std::uint32_t& id, std::string& text)
{
    std::size_t pos = 0;
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    const std::size_t digitsStart = pos;
    std::uint64_t value = 0;
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
        value = value * 10 + static_cast<std::uint64_t>(line[pos] - '0');
        if (value > 0xFFFFFFFFu)
            return "id is out of range (0..4294967295)";
        ++pos;
    }
    if (pos == digitsStart)
        return "malformed line (expected: <id> \"<text>\")";
    if (pos == line.size() || !isBlank(line[pos]))
        return "expected a blank and a quoted text after the id";
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    if (pos == line.size() || line[pos] != '"')
        return "expected a quoted text after the id";
    ++pos;

    text.clear();
    bool closed = false;
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == '"') {
            closed = true;
            break;
        }
        if (c != '\\') {
            text += c;
            continue;
        }
        if (pos == line.size())
            return "a backslash ends the line";
        const char e = line[pos++];
        switch (e) {
        case 'n':
            text += '\n';
            break;
        case 'r':
            text += '\r';
            break;
        case 't':
            text += '\t';
            break;
        case '"':
            text += '"';
            break;
        case '\\':
            text += '\\';
            break;
        case 'x': {
            const int high = pos < line.size() ? platform::text::hexDigit(line[pos]) : -1;
            const int low = pos + 1 < line.size() ? platform::text::hexDigit(line[pos + 1]) : -1;
            if (high < 0 || low < 0)
                return "\\x needs two hex digits";
            const int byte = high * 16 + low;
            if (byte == 0)
                return "\\x00 is not allowed in a string";
            text += static_cast<char>(byte);
            pos += 2;
            break;
        }
        default:
            return std::string("unknown escape \\") + e;
        }
    }
    if (!closed)
        return "missing closing quote";
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    if (pos != line.size())
        return "unexpected text after the closing quote";
    id = static_cast<std::uint32_t>(value);
    return {};
}

std::string_view localeVariable(const char* value)
{
    return value ? std::string_view(value) : std::string_view();
}

} // namespace

StringTable::StringTable(StringTableSource english, StringTableSource spanish)
    : m_english(std::move(english)), m_spanish(std::move(spanish))
{
}

std::optional<std::string> StringTable::get(std::uint32_t id) const
{
    load();
    if (language() == Language::Spanish) {
        auto it = m_spanishTable.find(id);
        if (it != m_spanishTable.end())
            return it->second;
        // Not translated (yet): the English text is better than none.
    }
    auto it = m_englishTable.find(id);
    if (it != m_englishTable.end())
        return it->second;
    return std::nullopt;
}

StringTable::Language StringTable::language() const
{
    const int forced = m_forced.load(std::memory_order_relaxed);
    if (forced >= 0)
        return static_cast<Language>(forced);
    load();
    return m_systemLanguage;
}

void StringTable::setLanguage(std::optional<Language> language)
{
    m_forced.store(language ? static_cast<int>(*language) : -1, std::memory_order_relaxed);
}

bool StringTable::ok() const
{
    load();
    return m_errors.empty();
}

std::vector<std::string> StringTable::errors() const
{
    load();
    return m_errors;
}

StringTable::Language StringTable::languageFromLocale(const char* lcAll, const char* lcMessages,
                                                      const char* lang)
{
    std::string_view locale = localeVariable(lcAll);
    if (locale.empty())
        locale = localeVariable(lcMessages);
    if (locale.empty())
        locale = localeVariable(lang);
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    return language == "es" ? Language::Spanish : Language::English;
}

StringTable::Language StringTable::systemLanguage()
{
    return languageFromLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

void StringTable::load() const
{
    std::call_once(m_loaded, [this] {
        m_systemLanguage = systemLanguage();
        parse(m_english, m_englishTable, m_errors);
        parse(m_spanish, m_spanishTable, m_errors);
    });
}

void StringTable::parse(const StringTableSource& source, Table& table, std::vector<std::string>& errors)
{
    std::unordered_map<std::uint32_t, std::size_t> lineOf;
    std::string_view rest = source.text;
    std::size_t number = 0;
    while (!rest.empty()) {
        ++number;
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        std::size_t first = 0;
        while (first < line.size() && isBlank(line[first]))
            ++first;
        if (first == line.size() || line[first] == '#')
            continue;

        const std::string where = source.name + ":" + std::to_string(number) + ": ";
        std::uint32_t id = 0;
        std::string text;
        const std::string reason = parseEntry(line, id, text);
        if (!reason.empty()) {
            errors.push_back(where + reason);
            continue;
        }
        const auto [it, inserted] = lineOf.emplace(id, number);
        if (!inserted) {
            errors.push_back(where + "id " + std::to_string(id) + " already defined on line " +
                             std::to_string(it->second));
            continue;
        }
        table.emplace(id, std::move(text));
    }
}

} // namespace platform
