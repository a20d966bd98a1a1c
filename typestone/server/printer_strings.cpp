#include "typestone/server/printer_strings.h"

#include "platform/strings/string_table.h"

#include <cstddef>

extern const char typestone_printers_en[];
extern const std::size_t typestone_printers_en_size;
extern const char typestone_printers_es[];
extern const std::size_t typestone_printers_es_size;

namespace typestone {

std::string printerString(unsigned id)
{
    static const platform::StringTable table(
        {"printers.en.txt", {typestone_printers_en, typestone_printers_en_size}},
        {"printers.es.txt", {typestone_printers_es, typestone_printers_es_size}});
    return table.get(id).value_or(std::string());
}

} // namespace typestone
