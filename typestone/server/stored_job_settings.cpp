#include "typestone/server/stored_job_settings.h"

#include "typestone/server/get_dev_mode.h"
#include "typestone/server/printer_config.h"
#include "typestone/server/server_trace.h"

namespace typestone {

std::optional<platform::spooler::PrintOptions>
StoredJobSettings(const CPrinter& printers, platform::spooler::Spooler& spooler, const std::string& printer)
{
    DevMode stored;
    const bool haveStored = printers.GetCurrPrtConfig(printer, &stored);
    DevMode merged;
    std::string why;
    if (!GetDevMode(spooler, haveStored ? &stored : nullptr, printer, &merged, &why)) {
        TRZ_Trace(kTrzJobs, "\nStoredJobSettings('%s'): the printer's own settings: %s", printer, why);
        return std::nullopt;
    }
    return merged.toPrintOptions();
}

StoredSettingsSource MakeStoredSettingsSource(const CPrinter& printers, platform::spooler::Spooler& spooler)
{
    return [&printers, &spooler](const std::string& printer) {
        return StoredJobSettings(printers, spooler, printer);
    };
}

} // namespace typestone
