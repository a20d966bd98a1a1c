#include "typestone/engine/printer_open_lock.h"

#include "platform/spooler/spooler.h"

namespace typestone {

PrinterOpenLock& PrinterOpenLock::Shared()
{
    static PrinterOpenLock lock;
    return lock;
}

std::unique_ptr<OpenPrinter> OpenPrinter::open(platform::spooler::Spooler& spooler, const std::string& name,
                                               std::string* error, PrinterOpenLock& lock,
                                               std::chrono::milliseconds timeout)
{
    if (!lock.lock(timeout)) {
        if (error)
            *error = "the printers are busy: printer '" + name + "' could not be opened in time";
        return nullptr;
    }
    std::string reason;
    std::optional<platform::spooler::PrinterInfo> info = spooler.printer(name, &reason);
    if (!info) {
        lock.unlock();
        if (error)
            *error = "printer '" + name + "' not found" + (reason.empty() ? "" : ": " + reason);
        return nullptr;
    }
    return std::unique_ptr<OpenPrinter>(new OpenPrinter(spooler, lock, std::move(*info)));
}

OpenPrinter::~OpenPrinter()
{
    m_lock.unlock();
}

std::optional<platform::spooler::PrinterDefaults> OpenPrinter::defaults(std::string* error)
{
    return m_spooler.defaults(m_info.name, error);
}

std::optional<platform::spooler::PrinterInfo> ReadPrinterInfo(platform::spooler::Spooler& spooler,
                                                              const std::string& name, std::string* error)
{
    std::unique_ptr<OpenPrinter> printer = OpenPrinter::open(spooler, name, error);
    if (!printer)
        return std::nullopt;
    return printer->info();
}

} // namespace typestone
