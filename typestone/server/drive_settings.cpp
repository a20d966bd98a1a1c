#include "typestone/server/drive_settings.h"

#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"

#include <filesystem>

namespace typestone {

namespace {

// A folder name longer than this is refused rather than cut.
constexpr uint32_t kMaxFolderSetting = 4096;

} // namespace

std::string DrivesSection()
{
    std::string section;
    return FormSection(section, "Drives");
}

DriveMap LoadDriveMap(const std::string& stateDir, std::vector<std::string>* report)
{
    const std::string section = DrivesSection();
    DriveMap map;
    for (char drive = 'A'; drive <= 'Z'; ++drive) {
        const char name[2] = {drive, '\0'};
        const std::string letter = std::string(name) + ":";
        std::string folder(kMaxFolderSetting + 1, '\0');
        uint32_t size = uint32_t(folder.size());
        if (!GetRegistryEntry(section.c_str(), name, folder.data(), &size)) {
            uint32_t needed = 0;
            if (GetRegistryEntry(section.c_str(), name, nullptr, &needed)) {
                report->push_back("host drive " + letter + " not mapped: its folder name is longer than " +
                                  std::to_string(kMaxFolderSetting) + " bytes");
                continue;
            }
            map.add(drive, stateDir + "/drives/" + name);
            continue;
        }
        folder.resize(folder.find('\0'));
        if (folder.empty()) {
            report->push_back("host drive " + letter + " not mapped");
            continue;
        }
        if (!std::filesystem::path(folder).is_absolute()) {
            report->push_back("host drive " + letter + " not mapped: '" + folder +
                              "' is not an absolute folder");
            continue;
        }
        map.add(drive, folder);
        report->push_back("host drive " + letter + " is " + folder);
    }
    return map;
}

} // namespace typestone
