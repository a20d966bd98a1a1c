#pragma once
// The settings a host job prints with: the device settings stored in the printer's
// configuration, laid over what its driver (the spooler) gives now.

#include "typestone/engine/engine_setup.h"

#include <optional>
#include <string>

namespace platform::spooler {
class Spooler;
}

namespace typestone {

class CPrinter;

// The stored settings of `printer` merged over its driver's (MergeStoredSettings); without a
// stored block, the driver's. Nullopt when the spooler does not know the printer or cannot
// read its settings: the job then prints with the printer's own, as the spooler has them.
std::optional<platform::spooler::PrintOptions>
StoredJobSettings(const CPrinter& printers, platform::spooler::Spooler& spooler, const std::string& printer);

// StoredJobSettings as the engine asks for it; both objects must outlive every job.
StoredSettingsSource MakeStoredSettingsSource(const CPrinter& printers, platform::spooler::Spooler& spooler);

} // namespace typestone
