#pragma once
// One printer of the shared-printer configuration.

#include "typestone/server/dev_mode.h"
#include "typestone/server/dev_names.h"

#include <optional>
#include <string>

namespace typestone {

struct PRTCFG
{
    std::string printerName; // as the spooler names it (a connection keeps its backslashes)
    std::string shareName;   // empty: none
    bool installed = false;  // found in the last enumeration, or its settings could be loaded
    bool bShared = false;
    char password[9] = {}; // up to 8 characters and a zero; empty: none
    std::optional<DevMode> devMode;
    std::optional<DevNames> devNames;

    std::string Password() const;
    // Stores at most the first 8 characters.
    void SetPassword(const std::string& text);
};

// Frees the names and the device settings; the record itself stays with its holder.
void FreePrtCfg(PRTCFG* record);

} // namespace typestone
