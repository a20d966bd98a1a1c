#pragma once
// The host's drive letters as folders here, from the section "Drives": a value named by its
// letter ("C") holds the folder of that drive. A letter without a value is the folder of that
// letter under `<state>/drives` (made when a job first writes there); an empty value leaves the
// drive unmapped; a value that is not an absolute folder leaves it unmapped too and is reported.
// A name on an unmapped drive still lands: the print engine writes such output into the PDF
// folder.

#include "typestone/engine/drive_map.h"

#include <string>
#include <vector>

namespace typestone {

// The path of the section "Drives" of this application.
std::string DrivesSection();

// The drive map of the settings, with `stateDir` for the drives without a value. Each drive
// that differs from the default gets a line in `report` (for the start-up output).
DriveMap LoadDriveMap(const std::string& stateDir, std::vector<std::string>* report);

} // namespace typestone
