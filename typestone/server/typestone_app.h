#pragma once
// The server's one application object: the process-wide state (spooler, shared-printer
// configuration, job sequencer, settings, service) and the start-up and shutdown in a fixed
// order. main() builds it, calls Main() and destroys it before returning, so nothing of this
// runs at static tear-down.

#include "typestone/engine/engine_setup.h"
#include "typestone/server/command_line.h"
#include "typestone/server/general_settings.h"

#include <functional>
#include <memory>
#include <string>

class CKDRInetObj;
class QObject;

namespace platform::service {
class SignalChannel;
}
namespace platform::spooler {
class Spooler;
}

namespace typestone {

class CMyService;
class CPrinter;
class JobSequencer;
class ServiceUiBridge;
class SpoolRecovery;
class StartupStopWatch;
struct JobContext;

class CTypestoneApp
{
public:
    static constexpr int kVersion = 24200;

    // The run mode: service mode unless a desktop session is there and systemd did not start
    // us. Read from the environment: INVOCATION_ID or NOTIFY_SOCKET (systemd), DISPLAY or
    // WAYLAND_DISPLAY (a desktop).
    static bool DetectServiceMode();

    CTypestoneApp();
    ~CTypestoneApp();
    CTypestoneApp(const CTypestoneApp&) = delete;
    CTypestoneApp& operator=(const CTypestoneApp&) = delete;

    // The whole run; the process's exit code. `signalChannel` has SIGTERM, SIGINT and SIGUSR1
    // blocked and readable (opened by main() before any thread started); may be null.
    int Main(int argc, char** argv, platform::service::SignalChannel* signalChannel);

    // Desktop mode's windows (the tray icon and what it opens), made once the service exists
    // and destroyed when its event loop ended; the program sets this, the tests need not.
    struct DesktopParts
    {
        CMyService& service;
        CPrinter& printers;
        GeneralSettings& settings;
        const EngineSetup& engine; // how the printer test prints
    };
    using DesktopFactory = std::function<std::unique_ptr<QObject>(const DesktopParts&)>;
    void SetDesktopFactory(DesktopFactory factory) { m_desktopFactory = std::move(factory); }

    // The web update's query: in the background only for the first instance. False when no
    // query was started (not configured, another instance, one running already).
    bool DoWebQuery(bool background);

    // Service mode, decided once at construction.
    const bool m_bIsWinNT;
    const bool m_bIsWindowsVista = true;
    GeneralSettings m_settings;

private:
    int InitInstance(const CommandLine& commandLine);
    int _InitInstance(const CommandLine& commandLine, platform::service::SignalChannel* signalChannel);
    bool createSpooler();
    // Raises the descriptor limit and sets the connection cap to fit it.
    void limitConnections();
    void Shutdown();
    void EndWebQuery();

    std::unique_ptr<platform::spooler::Spooler> m_spooler;
    std::unique_ptr<CPrinter> m_printers;
    std::unique_ptr<JobSequencer> m_jobs;
    std::unique_ptr<JobContext> m_context;
    EngineSetup m_engine; // how interpreted jobs print
    std::unique_ptr<CMyService> m_service;
    std::unique_ptr<SpoolRecovery> m_recovery; // prints what an earlier run left
    StartupStopWatch* m_startWatch = nullptr;  // the stop signals until the event loop runs
    // Sets up the job folders, finishes what an earlier run left and starts printing the
    // interpreted jobs it accepted.
    void recoverJobs();
    // A stop signal came while the program started.
    bool stoppedAtStart() const;
    std::unique_ptr<CKDRInetObj> m_web;
    std::shared_ptr<ServiceUiBridge> m_uiBridge; // service mode: boxes through TypestoneUI
    DesktopFactory m_desktopFactory;
};

} // namespace typestone
