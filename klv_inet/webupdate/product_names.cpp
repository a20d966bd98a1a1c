#include "klv_inet/webupdate/product_names.h"

#include "klv_inet/support/text_compare.h"
#include "klv_inet/webupdate/ini_file.h"

#include <algorithm>
#include <string_view>

namespace klv {

std::vector<std::string> ParseProductNames(const IniFile& file, const std::string& app)
{
    std::vector<std::string> names;
    for (const char* brand : {"PLM", "KLV"}) {
        const std::string section = app + "_" + brand;
        for (unsigned n = 1; n <= kMaxProductsPerSection; ++n) {
            const std::string name = file.value(section, "Product" + std::to_string(n));
            if (name.empty())
                break;
            const bool known = std::any_of(names.begin(), names.end(), [&](const std::string& other) {
                return equalsNoCase(other, name);
            });
            if (!known)
                names.push_back(name);
        }
    }
    return names;
}

int KlvFuzzProductList(const uint8_t* data, size_t size)
{
    const IniFile f = IniFile::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    return int(ParseProductNames(f, "Typestone").size()) & 0;
}

} // namespace klv
