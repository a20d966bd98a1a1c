// The import of a registry text file ("REGEDIT4"). Property: when the key
// HKEY_CURRENT_USER\Software\KLV\Fuzz exists after the import and exports, its export imports
// in full into an empty store, and exporting that again gives the same sections with values.
// (A section without values writes nothing when it is imported, and the export gives the key's
// own section no values, so keys that hold no values do not survive the round trip.)

#include "tests/fuzz/fuzz_env.h"
#include "tests/fuzz/fuzz_target.h"

#include "klv_inet/support/reg_text.h"

#include <string>
#include <vector>

namespace {

constexpr const char* kKey = "Software\\KLV\\Fuzz";
constexpr platform::RegRoot kRoot = platform::RegRoot::CurrentUser;

// Imports `file` into an empty store and exports kKey to `exported`: the import's result,
// and through *saved whether the export was written.
int importThenExport(const std::string& store, const std::string& file, const std::string& exported,
                     int* saved)
{
    fuzz::useStore(store);
    const int loaded = LoadRegKey(file.c_str(), nullptr, nullptr);
    *saved = SaveRegKey(kKey, exported.c_str(), nullptr, nullptr, nullptr, kRoot);
    fuzz::dropStore(store);
    return loaded;
}

// The sections of an exported file that hold at least one value, each with its lines.
std::vector<std::string> valuedSections(const std::string& exported)
{
    std::vector<std::string> sections;
    const std::string separator = "\r\n\r\n[";
    size_t at = exported.find(separator);
    while (at != std::string::npos) {
        const size_t next = exported.find(separator, at + separator.size());
        const std::string section = exported.substr(at, next == std::string::npos ? next : next - at);
        if (section.find("]\r\n\"") != std::string::npos)
            sections.push_back(section);
        at = next;
    }
    return sections;
}

} // namespace

FUZZ_TARGET(reg_import)
{
    const std::string& dir = fuzz::scratchFolder();
    const std::string input = dir + "/import.reg";
    const std::string first = dir + "/export1.reg";
    const std::string second = dir + "/export2.reg";
    if (!fuzz::writeFile(input, data, size))
        return 0;

    int saved = 0;
    importThenExport(dir + "/import1.sqlite", input, first, &saved);
    if (!saved)
        return 0;
    const std::string exported = fuzz::readFile(first);
    FUZZ_CHECK(exported.rfind("REGEDIT4", 0) == 0);

    int savedAgain = 0;
    const int reloaded = importThenExport(dir + "/import2.sqlite", first, second, &savedAgain);
    FUZZ_CHECK(reloaded == 1);
    const std::vector<std::string> valued = valuedSections(exported);
    if (!savedAgain) {
        FUZZ_CHECK(valued.empty());
        return 0;
    }
    FUZZ_CHECK(valuedSections(fuzz::readFile(second)) == valued);
    return 0;
}
