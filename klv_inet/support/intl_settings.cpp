#include "klv_inet/support/intl_settings.h"

#include "klv_inet/support/store_access.h"

namespace klv {
namespace {

constexpr const char* kIntlKey = "Control Panel\\International";

char firstChar(const char* name, char fallback)
{
    store::Value v;
    if (!store::readValue(platform::RegRoot::CurrentUser, kIntlKey, name, v) || v.data.empty() ||
        v.data[0] == 0)
        return fallback;
    return static_cast<char>(v.data[0]);
}

} // namespace

char decimalSeparator()
{
    static const char sep = firstChar("sDecimal", ',');
    return sep;
}

char dateOrderDigit()
{
    return firstChar("iDate", '1');
}

} // namespace klv
