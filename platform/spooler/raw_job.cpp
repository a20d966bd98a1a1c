#include "platform/spooler/raw_job.h"

namespace platform::spooler {

namespace {

bool equalsIgnoringCase(std::string_view text, std::string_view upper)
{
    if (text.size() != upper.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != upper[i])
            return false;
    }
    return true;
}

} // namespace

bool isRawDataType(std::string_view dataType)
{
    return equalsIgnoringCase(dataType, "RAW") || equalsIgnoringCase(dataType, "XPS_PASS");
}

} // namespace platform::spooler
