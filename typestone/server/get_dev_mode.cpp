#include "typestone/server/get_dev_mode.h"

#include "typestone/server/server_trace.h"

#include "typestone/engine/printer_open_lock.h"

#include "platform/spooler/spooler.h"

namespace typestone {

namespace {

bool fail(std::string* error, const std::string& device, const std::string& reason)
{
    TRZ_Trace(kTrzJobs, "\nGetDevMode(Dev='%s') -> FALSE: %s", device, reason);
    if (error)
        *error = reason;
    return false;
}

} // namespace

void MergeStoredSettings(const DevMode& stored, DevMode* driver)
{
    // The margins are the printer's own (what its hardware cannot reach); a stored block has no
    // field for them, so they stay the driver's whatever the block carries.
    const platform::spooler::Margins margins = driver->settings.margins;
    driver->settings = stored.settings;
    driver->settings.margins = margins;
    driver->extra = stored.extra;
}

bool GetDevMode(platform::spooler::Spooler& spooler, const DevMode* stored, const std::string& device,
                DevMode* out, std::string* error)
{
    std::string name = device;
    std::string reason;
    if (name.empty()) {
        const std::vector<platform::spooler::PrinterInfo> printers = spooler.printers(&reason);
        for (const auto& p : printers)
            if (p.isDefault)
                name = p.name;
        if (name.empty() && !printers.empty())
            name = printers.front().name;
        if (name.empty())
            return fail(error, device,
                        reason.empty() ? "there is no printer" : "there is no printer: " + reason);
    }
    std::unique_ptr<OpenPrinter> printer = OpenPrinter::open(spooler, name, &reason);
    if (!printer)
        return fail(error, name, reason);
    const std::optional<platform::spooler::PrinterDefaults> driver = printer->defaults(&reason);
    printer.reset();
    if (!driver)
        return fail(error, name, "the settings of printer '" + name + "' cannot be read: " + reason);
    DevMode merged(name, *driver);
    if (stored)
        MergeStoredSettings(*stored, &merged);
    TRZ_Trace(kTrzJobs, "\nGetDevMode(Dev='%s', stored=%s) -> TRUE", name, stored ? "yes" : "no");
    *out = std::move(merged);
    return true;
}

} // namespace typestone
