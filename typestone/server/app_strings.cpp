#include "typestone/server/app_strings.h"

#include "platform/strings/string_table.h"

#include <cstddef>

extern const char typestone_app_strings_en[];
extern const std::size_t typestone_app_strings_en_size;
extern const char typestone_app_strings_es[];
extern const std::size_t typestone_app_strings_es_size;

namespace typestone {

platform::StringTable& appStringTable()
{
    static platform::StringTable table(
        {"app.en.txt", {typestone_app_strings_en, typestone_app_strings_en_size}},
        {"app.es.txt", {typestone_app_strings_es, typestone_app_strings_es_size}});
    return table;
}

std::string appString(unsigned id)
{
    return appStringTable().get(id).value_or(std::string());
}

} // namespace typestone
