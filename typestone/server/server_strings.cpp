#include "typestone/server/server_strings.h"

#include "typestone/server/app_strings.h"

#include "platform/strings/string_table.h"

#include <cstddef>

extern const char typestone_strings_en[];
extern const std::size_t typestone_strings_en_size;
extern const char typestone_strings_es[];
extern const std::size_t typestone_strings_es_size;

namespace typestone {
namespace {

platform::StringTable& table()
{
    static platform::StringTable t({"strings.en.txt", {typestone_strings_en, typestone_strings_en_size}},
                                   {"strings.es.txt", {typestone_strings_es, typestone_strings_es_size}});
    return t;
}

} // namespace

std::string serverString(unsigned id)
{
    return table().get(id).value_or(std::string());
}

bool serverStringLookup(unsigned id, std::string* out)
{
    std::optional<std::string> s = table().get(id);
    if (!s || !out)
        return false;
    *out = *s;
    return true;
}

void SetStringsLanguage(std::optional<platform::StringTable::Language> language)
{
    table().setLanguage(language);
    appStringTable().setLanguage(language);
}

} // namespace typestone
