#pragma once
// The printer-open lock: whoever reads or changes a printer's settings through the spooler holds
// it, so the job workers, the shared-printer configuration and the user interface never read a
// printer's settings while another of them is changing them.
//
// Hold it only for the spooler's calls. Nobody may be asked anything (a box, a settings dialog)
// while it is held: the person's answer could take minutes and every job would wait for it.
// Taking it has a time-out, so a holder that hangs in the spooler stops the others only that long.

#include "platform/spooler/printer_defaults.h"
#include "platform/spooler/printer_info.h"
#include "platform/sync/event.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace platform::spooler {
class Spooler;
}

namespace typestone {

class PrinterOpenLock
{
public:
    // How long a caller waits for the lock before it gives up.
    static constexpr std::chrono::milliseconds kDefaultWait{30000};

    PrinterOpenLock() = default;
    PrinterOpenLock(const PrinterOpenLock&) = delete;
    PrinterOpenLock& operator=(const PrinterOpenLock&) = delete;

    // The lock of the whole program.
    static PrinterOpenLock& Shared();

    // True when taken within `timeout`.
    bool lock(std::chrono::milliseconds timeout) { return m_free.wait(timeout); }
    void unlock() { m_free.set(); }

private:
    // Signalled while nobody holds it; an auto-reset event lets exactly one waiter in.
    platform::sync::Event m_free{platform::sync::Event::ResetMode::Auto, true};
};

// A printer opened for its settings: the spooler knows it, and the lock is held until the
// object goes. Use it in a narrow scope and let it go before asking anyone anything.
class OpenPrinter
{
public:
    // Nothing, with the reason in `error` (and a trace line by the caller), when the lock is not
    // had within `timeout` or the spooler does not know the printer; the lock is then free again.
    static std::unique_ptr<OpenPrinter>
    open(platform::spooler::Spooler& spooler, const std::string& name, std::string* error,
         PrinterOpenLock& lock = PrinterOpenLock::Shared(),
         std::chrono::milliseconds timeout = PrinterOpenLock::kDefaultWait);
    ~OpenPrinter();
    OpenPrinter(const OpenPrinter&) = delete;
    OpenPrinter& operator=(const OpenPrinter&) = delete;

    const platform::spooler::PrinterInfo& info() const { return m_info; }
    // The driver's current settings.
    std::optional<platform::spooler::PrinterDefaults> defaults(std::string* error);

private:
    OpenPrinter(platform::spooler::Spooler& spooler, PrinterOpenLock& lock,
                platform::spooler::PrinterInfo info)
        : m_spooler(spooler), m_lock(lock), m_info(std::move(info))
    {
    }

    platform::spooler::Spooler& m_spooler;
    PrinterOpenLock& m_lock;
    platform::spooler::PrinterInfo m_info;
};

// The printer's information, read under the lock and let go at once; nothing (with the reason)
// for a printer that cannot be opened.
std::optional<platform::spooler::PrinterInfo> ReadPrinterInfo(platform::spooler::Spooler& spooler,
                                                              const std::string& name, std::string* error);

} // namespace typestone
