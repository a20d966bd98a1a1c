#include "klv_inet/support/msg_strings.h"

#include "platform/strings/string_table.h"

#include <cstddef>

extern const char klv_messages_en[];
extern const std::size_t klv_messages_en_size;
extern const char klv_messages_es[];
extern const std::size_t klv_messages_es_size;

namespace klv {
namespace {

const platform::StringTable& table()
{
    static const platform::StringTable t({"messages.en.txt", {klv_messages_en, klv_messages_en_size}},
                                         {"messages.es.txt", {klv_messages_es, klv_messages_es_size}});
    return t;
}

} // namespace

std::string messageString(unsigned id)
{
    return table().get(id).value_or(std::string());
}

bool hasMessageString(unsigned id)
{
    return table().get(id).has_value();
}

} // namespace klv
