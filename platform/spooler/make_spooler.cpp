#include "platform/spooler/make_spooler.h"

#include "platform/folders/folders.h"
#include "platform/spooler/cups_spooler.h"
#include "platform/spooler/folder_spooler.h"

#include <cstdlib>

namespace platform::spooler {

std::unique_ptr<Spooler> makeSpooler(const std::string& setting, std::string* error)
{
    std::string choice = setting;
    std::string origin = "the spooler setting";
    if (const char* env = std::getenv("TYPESTONE_SPOOLER"); env && *env) {
        choice = env;
        origin = "TYPESTONE_SPOOLER";
    }

    if (choice.empty())
        return FolderSpooler::open(platform::folders::stateDir() + "/spool", error);
    if (choice == "cups")
        return std::make_unique<CupsSpooler>();

    const std::string prefix = "folder:";
    if (choice.compare(0, prefix.size(), prefix) == 0) {
        const std::string root = choice.substr(prefix.size());
        if (root.empty() || root.front() != '/') {
            if (error)
                *error = origin + ": the folder spooler needs an absolute path (\"" + choice + "\")";
            return nullptr;
        }
        return FolderSpooler::open(root, error);
    }
    if (error)
        *error = origin + ": unknown spooler \"" + choice + "\" (use \"cups\" or \"folder:/path\")";
    return nullptr;
}

} // namespace platform::spooler
