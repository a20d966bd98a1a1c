#include "typestone/server/typestone_app.h"

#include "typestone/server/com_registration.h"
#include "typestone/server/connection_cap.h"
#include "typestone/server/debug_options.h"
#include "typestone/server/desktop_autostart.h"
#include "typestone/server/drive_settings.h"
#include "typestone/server/instance_startup.h"
#include "typestone/server/job_context.h"
#include "typestone/server/job_sequencer.h"
#include "typestone/server/my_service.h"
#include "typestone/server/page_action_settings.h"
#include "typestone/server/printer_config.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/service_install.h"
#include "typestone/server/service_ui_bridge.h"
#include "typestone/server/spool_recovery.h"
#include "typestone/server/startup_stop_watch.h"
#include "typestone/server/stored_job_settings.h"
#include "typestone/server/trace_settings.h"
#include "typestone/server/trace_writer.h"
#include "typestone/server/unsupp_dlg.h"

#include "klv_inet/support/app_name.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_product.h"
#include "klv_inet/webupdate/kdr_inet_obj.h"

#include "platform/draw/drawing_warm_up.h"
#include "platform/folders/folders.h"
#include "platform/service/signal_channel.h"
#include "platform/settings/settings_store.h"
#include "platform/spooler/make_spooler.h"
#include "platform/sysinfo/descriptor_limit.h"
#include "platform/ui/ui_bridge.h"

#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace typestone {
namespace {

// How long the stop may wait on a settings store another process holds locked, for all the
// values it writes back together.
constexpr int kStopStoreWaitMs = 3000;

bool envSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] != '\0';
}

// The ports, the printers and their shares and passwords live in the settings store. A server
// that cannot open or read it would serve defaults nobody chose (and turn every job away), so
// it does not start: the reason, which names the file, goes to standard error (the journal).
bool settingsStoreUsable()
{
    std::string error;
    std::shared_ptr<platform::SettingsStore> store = platform::SettingsStore::shared(&error);
    if (store && store->verify(&error) == platform::StoreStatus::Ok)
        return true;
    if (error.empty())
        error = "settings store " + platform::SettingsStore::defaultPath() + " cannot be used";
    std::fprintf(stderr, "typestone: cannot start: %s\n", error.c_str());
    std::fflush(stderr);
    return false;
}

} // namespace

bool CTypestoneApp::DetectServiceMode()
{
    if (envSet("INVOCATION_ID") || envSet("NOTIFY_SOCKET"))
        return true;
    return !envSet("DISPLAY") && !envSet("WAYLAND_DISPLAY");
}

CTypestoneApp::CTypestoneApp() : m_bIsWinNT(DetectServiceMode()) {}

CTypestoneApp::~CTypestoneApp()
{
    // Main() has shut everything down in order; what is left are plain objects.
    EndWebQuery();
    m_recovery.reset();
    m_service.reset();
    m_context.reset();
    m_jobs.reset();
    m_printers.reset();
    m_spooler.reset();
    platform::ui::setBridge(nullptr);
}

int CTypestoneApp::Main(int argc, char** argv, platform::service::SignalChannel* signalChannel)
{
    const CommandLine commandLine = ParseCommandLine(JoinArguments(argc, argv));
    SetAppName("Typestone");
    // Installing and removing the unit do not need the store: a damaged one must not keep a
    // person from removing the program.
    if (!commandLine.embedding && !commandLine.install && !commandLine.uninstall && !settingsStoreUsable())
        return 1;
    TRZ_Trace(kTrzAlways, "\nInitInstance(1):");
    if (commandLine.regServer || commandLine.unregServer) {
        const bool ok = commandLine.unregServer ? UnregisterAppId() : RegisterAppId();
        if (!ok)
            std::fprintf(stderr, "typestone: the AppID keys could not be %s\n",
                         commandLine.unregServer ? "removed" : "written");
        return ok ? 0 : 1;
    }
    if (commandLine.embedding)
        return 0;
    if (m_bIsWinNT && !commandLine.install && !commandLine.uninstall) {
        // From the first trace line on, the trace's boxes go to TypestoneUI: the overwrite
        // question of the start-up is asked there too (on a thread of its own), and unanswered
        // it keeps the file. The port is read from the store at each box (the service rewrites
        // it when it changes), so no thread reads the service's own copy while it changes.
        m_uiBridge = std::make_shared<ServiceUiBridge>([] { return LoadPortConfig().udpAux; });
        ServiceUiBridge::SetTraceBridge(m_uiBridge);
        setServiceMessageBoxSender(&ServiceUiBridge::TraceBoxSender);
    }
    // A stop that comes while the start-up waits (on a locked settings store, say) ends it.
    StartupStopWatch startWatch(commandLine.install || commandLine.uninstall ? nullptr : signalChannel);
    m_startWatch = &startWatch;
    int rc = InitInstance(commandLine);
    if (rc < 0)
        rc = _InitInstance(commandLine, signalChannel);
    startWatch.Finish();
    m_startWatch = nullptr;
    // A trace question still open at the end is given up, so the lines it held are kept, and
    // its box stops waiting for TypestoneUI.
    if (m_uiBridge)
        m_uiBridge->Close();
    TraceWriter::settleQuestion();
    // The bound the stop put on the store's waits ends with the run.
    platform::SettingsStore::unlimitWaits();
    if (m_uiBridge) {
        setServiceMessageBoxSender(nullptr);
        ServiceUiBridge::SetTraceBridge(nullptr);
        platform::ui::setBridge(nullptr);
        m_uiBridge.reset();
    }
    return rc;
}

int CTypestoneApp::InitInstance(const CommandLine& commandLine)
{
    TRZ_Trace(kTrzAlways, "\nInitInstance(2):");
    GetSettings(&m_settings);
    TraceSettings::setJobLogging(m_settings.logging);
    if (!m_bIsWinNT) {
        ShowStartLogo();
        if (RefuseSecondInstance())
            return 1;
    }
    SaveVersion(kVersion, "Typestone", "typstver.htm", "Windows");
    GetDbgOptions();
    TraceSettings::setDbgOption(commandLine.debug);
    SetDbgOptions();
    SetCFGString("Path", platform::folders::executableDir()); // a failure is reported there
    return -1;                                                // go on
}

bool CTypestoneApp::createSpooler()
{
    char setting[1024] = {};
    uint32_t size = sizeof setting;
    GetRegistryEntry(GeneralSection().c_str(), "Spooler", setting, &size);
    setting[sizeof setting - 1] = '\0';
    std::string error;
    m_spooler = platform::spooler::makeSpooler(setting, &error);
    if (!m_spooler) {
        std::fprintf(stderr, "typestone: no spooler: %s\n", error.c_str());
        return false;
    }
    std::printf("typestone: spooler: %s\n", m_spooler->description().c_str());
    for (const std::string& line : m_spooler->startupReport())
        std::printf("typestone: %s\n", line.c_str());
    std::fflush(stdout);
    return true;
}

int CTypestoneApp::_InitInstance(const CommandLine& commandLine,
                                 platform::service::SignalChannel* signalChannel)
{
    TRZ_Trace(kTrzCore, "\n_InitInstance(0): service mode %d", int(m_bIsWinNT));
    ServiceInstaller installer;
    const std::string programDir = platform::folders::executableDir();
    if (commandLine.install || commandLine.uninstall) {
        std::string error;
        bool ok = true;
        if (installer.IsInstalled())
            ok = installer.Uninstall(&error);
        if (ok && commandLine.install) {
            ok = installer.Install(programDir + "/typestone", &error) &&
                 installer.AutoStartupInRunUI(true, programDir, &error) && installer.AutoStartService(&error);
        } else if (ok) {
            ok = installer.AutoStartupInRunUI(false, programDir, &error);
        }
        if (!ok)
            std::fprintf(stderr, "typestone: %s\n", error.c_str());
        else
            std::printf("typestone: %s %s\n", commandLine.install ? "installed" : "removed",
                        installer.UnitPath().c_str());
        return ok ? 0 : 1;
    }

    if (stoppedAtStart())
        return 0;
    // One server per machine: a second one leaves the running one alone.
    if (m_bIsWinNT && RefuseSecondInstance())
        return 1;
    // The first use of fonts and of the PDF writer sets up what every later job shares
    // (fontconfig's configuration and face list, Qt's font database, code run for the first
    // time): several milliseconds the first host would wait for. A thread does it while the
    // rest of the start-up runs and ends before the ports open, so that what Qt keeps per
    // thread (its font cache, and that cache's timer) is gone with it and no descriptor it
    // opens is in use once connections come.
    std::jthread warmUp([] { platform::draw::warmUpDrawing(); });
    if (!createSpooler())
        return 1;
    const PortConfig ports = LoadPortConfig();
    m_printers = std::make_unique<CPrinter>(m_spooler.get(), m_settings.useDns.load(), ports.tcp, ports.aux);
    m_printers->PrepareJobChecks();
    m_jobs = std::make_unique<JobSequencer>();
    m_context = std::make_unique<JobContext>(*m_spooler, *m_printers, *m_jobs);
    m_context->useDns = m_settings.useDns.load();
    m_context->auxPort = ports.aux;
    m_context->dataIdleMs = static_cast<int>(m_settings.dataIdleSeconds.load() * 1000);
    limitConnections();
    m_engine.spooler = m_spooler.get();
    // Host jobs print with what the printer's configuration stored, over its driver's settings.
    m_engine.storedSettings = MakeStoredSettingsSource(*m_printers, *m_spooler);
    // What a job's recorded page actions may insert and hold.
    std::vector<std::string> rejected;
    m_engine.fieldVariables = LoadFieldVariables(&rejected);
    for (const std::string& name : rejected)
        std::fprintf(stderr, "typestone: FieldVariables: '%s' is not a variable name\n", name.c_str());
    m_engine.pageActionLimit = LoadPageActionLimit();
    m_engine.pdfFolder = platform::folders::stateDir() + "/pdf";
    platform::folders::makePath(m_engine.pdfFolder, 0700);
    // Names of local files from a host ("C:\PDF\OUT.PDF") through the drive map.
    std::vector<std::string> drives;
    m_engine.driveMap = LoadDriveMap(platform::folders::stateDir(), &drives);
    std::printf("typestone: host drives: %s/drives/<letter>, PDF folder %s\n",
                platform::folders::stateDir().c_str(), m_engine.pdfFolder.c_str());
    for (const std::string& line : drives)
        std::printf("typestone: %s\n", line.c_str());
    std::fflush(stdout);
    m_context->engine = &m_engine;
    recoverJobs();
    DoWebQuery(true);
    // The unsupported-command dialog's update button asks the same web update.
    SetUnsuppDlgWebUpdate(
        {[this] { return m_web && m_web->IsWebAvailable(); }, [this] { return DoWebQuery(false); }});
    m_jobs->StartPrtJobSequencer();

    CMyService::Options options;
    options.serviceMode = m_bIsWinNT;
    options.anyPorts = envSet("TYPESTONE_ANY_PORTS");
    if (m_bIsWinNT) {
        options.readAutoStart = [] { return ServiceInstaller().IsAutoStart(); };
        options.writeAutoStart = [](bool on) {
            std::string error;
            if (!ServiceInstaller().SetAutoStart(on, &error))
                std::fprintf(stderr, "typestone: %s\n", error.c_str());
        };
    } else {
        // On the desktop the program starts with the session, through its autostart entry.
        options.readAutoStart = [] { return DesktopAutoStart::IsOn(); };
        options.writeAutoStart = [programDir](bool on) {
            std::string error;
            if (!DesktopAutoStart::Set(on, programDir + "/typestone", &error))
                std::fprintf(stderr, "typestone: %s\n", error.c_str());
        };
    }
    options.writeUiStartup = [programDir](bool on) {
        std::string error;
        if (!ServiceInstaller().AutoStartupInRunUI(on, programDir, &error))
            std::fprintf(stderr, "typestone: %s\n", error.c_str());
    };
    if (stoppedAtStart()) {
        if (m_recovery)
            m_recovery->Stop();
        EndWebQuery();
        m_jobs->StopPrtJobSequencer();
        return 0;
    }
    m_service = std::make_unique<CMyService>(*m_context, m_settings, std::move(options));

    // Listed as running while it serves; another instance's close request stops it.
    RunningInstance running([this] {
        QMetaObject::invokeMethod(
            m_service.get(), [this] { m_service->Handler(CNTService::kControlStop); }, Qt::QueuedConnection);
    });
    TakeStartLogoDown();

    if (m_uiBridge) {
        // The other boxes go to TypestoneUI from here on, once the start-up asked what it asks.
        m_uiBridge->SetControlSink([this](uint16_t message) { m_service->PostStatusMessage(message); });
        platform::ui::setBridge(m_uiBridge);
    }

    // From here the event loop takes the signals; a stop the start-up saw is carried out there.
    if (m_startWatch) {
        m_startWatch->Finish();
        if (m_startWatch->StopRequested())
            m_service->Handler(CNTService::kControlStop);
    }
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (signalChannel && signalChannel->isOpen()) {
        signalNotifier = std::make_unique<QSocketNotifier>(signalChannel->fd(), QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, m_service.get(),
                         [this, signalChannel] {
                             while (std::optional<int> s = signalChannel->readSignal()) {
                                 if (*s == SIGUSR1)
                                     m_service->Handler(CNTService::kControlUser);
                                 else
                                     m_service->Handler(CNTService::kControlStop);
                             }
                         });
    }

    warmUp.join();
    std::unique_ptr<QObject> desktop;
    if (!m_bIsWinNT && m_desktopFactory)
        desktop = m_desktopFactory(DesktopParts{*m_service, *m_printers, m_settings, m_engine});
    int rc = 0;
    if (m_service->Initialize()) {
        m_service->Run();
        if (m_service->SocketsFailed())
            rc = 1;
    } else {
        rc = 1;
    }
    signalNotifier.reset();
    desktop.reset();
    Shutdown();
    if (m_uiBridge)
        m_uiBridge->SetControlSink(nullptr);
    return rc;
}

void CTypestoneApp::limitConnections()
{
    // Every connection holds descriptors: the soft limit (often 1024) is raised to what the
    // hard one allows, and the connection cap is made to fit what it leaves.
    std::string error;
    const std::optional<platform::sysinfo::DescriptorLimit> limit =
        platform::sysinfo::raiseDescriptorLimit(&error);
    if (!error.empty())
        std::fprintf(stderr, "typestone: the descriptor limit stays as it was: %s\n", error.c_str());
    const uint64_t soft = limit ? limit->soft : 1024;
    bool lowered = false;
    m_context->maxConnections = LoadMaxConnections(soft, &lowered);
    if (lowered)
        std::fprintf(stderr, "typestone: MaxConnections is more than %llu descriptors allow\n",
                     static_cast<unsigned long long>(soft));
    std::printf("typestone: up to %zu connections at once (descriptor limit %llu)\n",
                m_context->maxConnections.load(), static_cast<unsigned long long>(soft));
    std::fflush(stdout);
}

bool CTypestoneApp::stoppedAtStart() const
{
    return m_startWatch && m_startWatch->StopRequested();
}

void CTypestoneApp::recoverJobs()
{
    const std::string state = platform::folders::stateDir();
    // In the state folder, not a temporary one: an accepted job must outlive a reboot. Not in
    // the folder spooler's default root beside it, whose folders are printers.
    m_engine.spoolFolder = state + "/jobs";
    m_engine.workFolder = m_engine.spoolFolder;
    platform::folders::makePath(m_engine.spoolFolder, 0700);
    SpoolRecovery::Folders folders;
    folders.spool = m_engine.spoolFolder;
    folders.damaged = state + "/damaged";
    folders.pdf = m_engine.pdfFolder;
    platform::folders::makePath(folders.damaged, 0700);
    auto log = [](const std::string& line) {
        std::printf("typestone: %s\n", line.c_str());
        std::fflush(stdout);
        TRZ_LogPrintf("%s", line.c_str());
    };
    for (const std::string& line : m_spooler->recoverInterruptedJobs(folders.damaged))
        log(line);
    m_recovery = std::make_unique<SpoolRecovery>(m_engine, folders, log);
    m_recovery->Tidy();
    m_recovery->Start();
}

void CTypestoneApp::Shutdown()
{
    // The fixed order: no new work, connections ended and their workers joined, the
    // sequencer stopped, the ports written back, then the rest released. A job left from an
    // earlier run that is printing stops first and stays for the next start.
    if (m_service->CurrentState() != CNTService::kStopPending)
        m_service->SetStatus(CNTService::kStopPending);
    // No question holds the stop: boxes still waiting for TypestoneUI end unanswered.
    if (m_uiBridge)
        m_uiBridge->Close();
    // The settings written at the end get a few seconds on a store another process holds.
    platform::SettingsStore::limitWaits(kStopStoreWaitMs);
    if (m_recovery)
        m_recovery->Stop();
    m_service->StopListeners();
    EndWebQuery();
    m_jobs->StopPrtJobSequencer();
    m_service->ClosePorts();
    m_service->OnStop();
    SaveSettings(m_settings);
    m_service->SetStatus(CNTService::kStopped);
}

} // namespace typestone
