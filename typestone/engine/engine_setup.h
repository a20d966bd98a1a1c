#pragma once
// What an interpreted job needs from the server besides its stream: where its pages go (the
// spooler's page devices), the fonts it is drawn with, the host's drive letters and the PDF
// folder. The server holds one of these; every connection prepares its own CWinPrt from it.

#include "typestone/engine/drive_map.h"
#include "typestone/engine/field_text.h"
#include "typestone/engine/page_action_list.h"

#include "platform/spooler/print_options.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::draw {
class FontEngine;
}
namespace platform::spooler {
class Spooler;
}

namespace typestone {

class CWinPrt;

// The settings a job for `printer` prints with when the job brings none of its own: what the
// printer's configuration stored, laid over its driver's. Nullopt: the printer's own settings.
using StoredSettingsSource =
    std::function<std::optional<platform::spooler::PrintOptions>(const std::string& printer)>;

struct EngineSetup
{
    // The spooler whose printers receive the pages.
    platform::spooler::Spooler* spooler = nullptr;
    // A font engine for one job (fonts are used by one drawing thread at a time). Empty: the
    // installed faces through Qt.
    std::function<std::unique_ptr<platform::draw::FontEngine>()> makeFontEngine;
    DriveMap driveMap;
    std::string pdfFolder;   // PDF driver jobs without an output name
    std::string spoolFolder; // empty: the per-session folder
    // Where the PDF of a spooler printer is made before it is submitted; empty: the
    // temporary folder.
    std::string workFolder;
    // Empty: every job prints with its printer's own settings.
    StoredSettingsSource storedSettings;
    // The environment variables a job may insert into its pages.
    std::vector<std::string> fieldVariables = DefaultFieldVariables();
    // The most a job's recorded page actions may hold (bytes).
    size_t pageActionLimit = PageActionList::kDefaultLimit;
};

// Gives `prt` the devices, folders and drive map of `setup` and, through `fonts`, a font
// engine of its own that must outlive the job.
void PrepareWinPrt(CWinPrt& prt, const EngineSetup& setup,
                   std::unique_ptr<platform::draw::FontEngine>* fonts);

} // namespace typestone
