#include "typestone/server/page_action_settings.h"

#include "typestone/engine/field_text.h"
#include "typestone/engine/page_action_list.h"
#include "typestone/server/general_settings.h"

#include "klv_inet/support/reg_entry.h"

#include <cctype>
#include <cstring>

namespace typestone {

namespace {

bool isVariableName(const std::string& name)
{
    if (name.empty() || name.size() > kMaxFieldVariableName)
        return false;
    if (!(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
        return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    return true;
}

} // namespace

std::vector<std::string> ParseFieldVariables(const std::string& text, std::vector<std::string>* rejected)
{
    std::vector<std::string> names;
    std::string name;
    auto take = [&] {
        if (name.empty())
            return;
        if (isVariableName(name))
            names.push_back(name);
        else if (rejected)
            rejected->push_back(name);
        name.clear();
    };
    for (char c : text) {
        if (c == ' ' || c == ',' || c == ';' || c == '\t')
            take();
        else
            name += c;
    }
    take();
    return names;
}

std::vector<std::string> LoadFieldVariables(std::vector<std::string>* rejected)
{
    char buffer[kMaxFieldVariablesText + 1] = {};
    uint32_t size = sizeof buffer;
    if (!GetRegistryEntry(GeneralSection().c_str(), "FieldVariables", buffer, &size))
        return DefaultFieldVariables();
    buffer[sizeof buffer - 1] = '\0';
    return ParseFieldVariables(std::string(buffer, std::strlen(buffer)), rejected);
}

size_t LoadPageActionLimit()
{
    return GetNumberCfg("PageActionLimit", uint32_t(PageActionList::kDefaultLimit),
                        uint32_t(kMinPageActionLimit), uint32_t(kMaxPageActionLimit));
}

} // namespace typestone
