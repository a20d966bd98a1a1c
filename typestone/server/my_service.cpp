#include "typestone/server/my_service.h"

#include "typestone/server/app_strings.h"
#include "typestone/server/astcp_thread.h"
#include "typestone/server/astcp_typestone.h"
#include "typestone/server/connection_cap.h"
#include "typestone/server/debug_options.h"
#include "typestone/server/job_context.h"
#include "typestone/server/printer_config.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/shared_status.h"
#include "typestone/server/status_messages.h"
#include "typestone/server/trace_settings.h"
#include "typestone/server/tray_menu.h"

#include "platform/net/udp.h"
#include "platform/sysinfo/descriptor_limit.h"

#include <QSocketNotifier>

#include <cstdio>

namespace typestone {

CMyService::CMyService(JobContext& jobs, GeneralSettings& settings, Options options)
    : CNTService("Typestone Server"), m_jobs(jobs), m_settings(settings), m_options(std::move(options)),
      m_controlAccess(m_options.udpOwners), m_udp(*this)
{
    m_controlAccess.LoadGroup();
}

CMyService::~CMyService()
{
    // The orderly shutdown has run by now; this only releases what a failed start left.
    m_udpNotifier.reset();
    m_tcpNotifier.reset();
    m_tcp.reset();
}

bool CMyService::OnInit()
{
    if (!m_sharedMem.create(m_options.sharedMemName, kSharedMemSize, 0644)) {
        // The server runs without it; only the status readers miss it.
        TRZ_Trace(kTrzCore, "\nCMyService::OnInit(): shared memory: %s", m_sharedMem.errorString());
        std::fprintf(stderr, "typestone: no shared memory %s: %s\n", m_options.sharedMemName.c_str(),
                     m_sharedMem.errorString().c_str());
    }
    return true;
}

void CMyService::Run()
{
    if (!CreateSockets()) {
        m_socketsFailed = true;
        return;
    }
    // As a window posts these from its creation: TypestoneUI's start-up entry, then running.
    PostStatusMessage(ADD_ICON2TRAY);
    PostStatusMessage(SCM_RUNNING);
    QEventLoop loop;
    m_loop = &loop;
    if (!m_stopRequested)
        loop.exec();
    m_loop = nullptr;
}

void CMyService::OnStop()
{
    m_sharedMem.close();
}

bool CMyService::OnUserControl(uint32_t code)
{
    if (code != kControlWriteSharedMem)
        return CNTService::OnUserControl(code);
    QMetaObject::invokeMethod(
        this, [this] { SetSharedMem(); }, Qt::QueuedConnection);
    return true;
}

void CMyService::PostStatusMessage(uint16_t message)
{
    QMetaObject::invokeMethod(
        this, [this, message] { WndProc(message); }, Qt::QueuedConnection);
}

bool CMyService::openUdp(uint16_t port)
{
    std::string error;
    if (!m_udp.Bind(m_options.listenAddress, port, &error)) {
        std::fprintf(stderr, "typestone: %s: %s\n", appString(kStrUdpCreateFailed).c_str(), error.c_str());
        TRZ_Trace(kTrzCore, "\nCreateSockets: UDP %u: %s", unsigned(port), error);
        return false;
    }
    watchUdp();
    return true;
}

void CMyService::watchUdp()
{
    m_udpNotifier.reset();
    if (!m_udp.IsOpen())
        return;
    m_udpNotifier = std::make_unique<QSocketNotifier>(m_udp.Socket().fd(), QSocketNotifier::Read);
    connect(m_udpNotifier.get(), &QSocketNotifier::activated, this, [this] { m_udp.OnReceive(0); });
}

// The connection that could not be taken is still waiting: the listener stays readable, and
// watching it now would only fail again at full speed.
void CMyService::pauseAccepts(int pauseMs)
{
    QSocketNotifier* notifier = m_tcpNotifier.get();
    notifier->setEnabled(false);
    QTimer::singleShot(pauseMs, this, [this, notifier] {
        if (m_tcpNotifier.get() == notifier)
            notifier->setEnabled(true);
    });
}

bool CMyService::openTcp(uint16_t port)
{
    if (!m_tcp)
        m_tcp = std::make_unique<CASTCPTypestone>(m_jobs);
    std::string error;
    // The old listener is replaced only once the new one listens.
    if (!m_tcp->Listen(m_options.listenAddress, port, &error)) {
        std::fprintf(stderr, "typestone: %s: %s\n", appString(kStrTcpListenFailed).c_str(), error.c_str());
        TRZ_Trace(kTrzCore, "\nCreateSockets: TCP %u: %s", unsigned(port), error);
        return false;
    }
    m_tcpNotifier = std::make_unique<QSocketNotifier>(m_tcp->ListeningSocket().fd(), QSocketNotifier::Read);
    connect(m_tcpNotifier.get(), &QSocketNotifier::activated, this, [this] {
        if (!m_tcp)
            return;
        const int pauseMs = m_tcp->OnAccept(0);
        if (pauseMs > 0 && m_tcpNotifier)
            pauseAccepts(pauseMs);
    });
    m_tcpListening = true;
    return true;
}

void CMyService::closeTcp()
{
    m_tcpNotifier.reset();
    if (m_tcp && m_tcpListening) {
        if (m_tcp->ActiveWorkers() == 0) {
            // No job runs (and none can start: accepts happen on this thread), so the
            // listener goes with everything it holds.
            m_tcp.reset();
        } else {
            // The running jobs go on, and the listener object owns their workers, so it
            // stays; only the job port is given up.
            m_tcp->CloseListener();
        }
    }
    m_tcpListening = false;
}

bool CMyService::CreateSockets()
{
    const PortConfig ports = LoadPortConfig();
    // With any ports an open socket stays whatever the settings say.
    const bool any = m_options.anyPorts;
    bool ok = true;
    if (!(m_udp.IsOpen() && (any || m_udp.Port() == ports.udp)))
        ok = openUdp(any ? 0 : ports.udp);
    if (ok && !(m_tcpListening && m_tcp && (any || m_tcp->Port() == ports.tcp)))
        ok = openTcp(any ? 0 : ports.tcp);
    if (ok) {
        m_ports = ports;
        m_jobs.auxPort = dataPort();
        std::printf("typestone: listening on UDP port %u and job port %u\n", unsigned(BoundUdpPort()),
                    unsigned(BoundTcpPort()));
        std::fflush(stdout);
    }
    return ok;
}

uint16_t CMyService::BoundTcpPort() const
{
    return m_tcp && m_tcpListening ? m_tcp->Port() : 0;
}

bool CMyService::TcpListening() const
{
    return m_tcpListening;
}

void CMyService::ClosePorts()
{
    if (!m_options.serviceMode || !m_paused || m_stopRequested) {
        m_udpNotifier.reset();
        m_udp.Close();
    }
    closeTcp();
    SavePortConfig(m_ports);
}

void CMyService::StopListeners()
{
    m_udpNotifier.reset();
    m_tcpNotifier.reset();
    m_udp.Close();
    if (m_tcp)
        m_tcp->Stop(); // closes the listener, ends every connection and joins its worker
    m_tcpListening = false;
    m_tcp.reset();
}

void CMyService::DoPause()
{
    if (!m_paused) {
        closeTcp();
        if (!m_options.serviceMode) {
            m_udpNotifier.reset();
            m_udp.Close();
        }
        SavePortConfig(m_ports);
        m_paused = true;
        SetStatus(kPaused);
    } else {
        if (CreateSockets()) {
            m_paused = false;
            SetStatus(kRunning);
        } else {
            SetStatus(kPaused);
        }
    }
    TRZ_Trace(kTrzStatus, "\nDoPause: bDisabled=%d", int(m_paused));
}

void CMyService::SendSCMMessage(uint16_t command)
{
    if (!m_udp.IsOpen())
        return;
    const uint8_t notice[6] = {uint8_t(command), uint8_t(command >> 8), 0, 0, 0, 0};
    platform::net::sendTo(m_udp.Socket(), notice, sizeof notice,
                          platform::net::Endpoint{platform::net::kLoopbackAddress, m_ports.udpAux});
}

void CMyService::WndProc(uint16_t message)
{
    switch (message) {
    case SCM_PAUSE_MSG:
    case SCM_CONTINUE_MSG:
        if (m_options.serviceMode)
            SendSCMMessage(message);
        DoPause();
        break;
    case SCM_STOP_MSG:
        if (m_options.serviceMode) {
            syncUiStartup();
            SendSCMMessage(SCM_STOP_MSG);
        }
        if (CurrentState() != kStopPending)
            SetStatus(kStopPending);
        SetRunning(false);
        m_stopRequested = true;
        emit stopping();
        if (m_loop)
            m_loop->quit();
        break;
    case SCM_RUNNING:
        if (!m_options.serviceMode) {
            // The desktop has no service-process registration to ask for.
            TRZ_Trace(kTrzCore, "\nRegistering service process...");
            const int rc = RegisterServiceProcess(0, 1);
            TRZ_Trace(kTrzCore, "dwRc=0x%08x %s <<<<<<<<<", unsigned(rc), rc ? "SUCCEEDED" : "FAILED");
        }
        // No sequencer timer: every change of the job list wakes the sequencer itself.
        break;
    case ADD_ICON2TRAY:
        // TypestoneUI's start-up entry stands in for starting it in the user's session.
        if (m_options.serviceMode)
            syncUiStartup();
        break;
    case QUERY_AUTOFLAG:
        if (m_options.serviceMode)
            m_autoStart = GetAutoStart();
        break;
    case CMD_RELOADCFG:
        ReloadConfig();
        break;
    case CMD_SETDBGOPTIONS:
        SetDbgOptions();
        break;
    case CMD_GETDBGOPTIONS:
        GetDbgOptions();
        TRZ_Trace(kTrzJobs,
                  "WndProc(CASUDPTypestone): CMD_GETDBGOPTIONS theApp.m_bIsWinNT %d "
                  "pServerApp->m_bIsWindowsVista %d\n",
                  int(m_options.serviceMode), 1);
        break;
    default:
        break;
    }
}

void CMyService::syncUiStartup()
{
    m_autoStart = GetAutoStart();
    if (m_options.writeUiStartup)
        m_options.writeUiStartup(m_autoStart);
    TRZ_Trace(kTrzStatus, "\nAutoStartupInRunUI(%d)", int(m_autoStart));
}

void CMyService::SetSharedMem()
{
    if (!m_sharedMem.isWritable())
        return;
    const std::vector<char> image = FormatSharedStatus(CollectStatus(m_jobs.connections), m_sharedMem.size());
    m_sharedMem.write(0, image.data(), image.size());
}

bool CMyService::ChangePorts(const PortConfig& ports)
{
    if (ports == m_ports)
        return false;
    SavePortConfig(ports);
    if (m_paused) {
        m_ports = ports;
        return true;
    }
    // New sockets are bound before the old ones close.
    if (CreateSockets())
        return true;
    SavePortConfig(m_ports);
    return false;
}

void CMyService::ReloadConfig()
{
    const PortConfig ports = LoadPortConfig(m_ports);
    TRZ_Trace(kTrzCore,
              "OnReceive(4): m_wUDP_Typst=%d m_wTCP_Typst=%d m_wTypst_AuxPort=%d m_wTypstUDP_AuxPort=%d \n",
              m_ports.udp, m_ports.tcp, m_ports.aux, m_ports.udpAux);
    if (!(ports == m_ports)) {
        SavePortConfig(ports);
        if (!m_paused) {
            // New sockets are bound before the old ones close; on failure the old ones stay.
            if (!CreateSockets())
                SavePortConfig(m_ports);
        } else {
            m_ports = ports;
        }
    }
    GetSettings(&m_settings);
    m_controlAccess.LoadGroup();
    TraceSettings::setJobLogging(m_settings.logging);
    m_jobs.useDns = m_settings.useDns.load();
    m_jobs.dataIdleMs = static_cast<int>(m_settings.dataIdleSeconds.load() * 1000);
    m_jobs.auxPort = dataPort();
    if (const std::optional<platform::sysinfo::DescriptorLimit> limit = platform::sysinfo::descriptorLimit())
        m_jobs.maxConnections = LoadMaxConnections(limit->soft);
}

bool CMyService::MayControl(const platform::net::Endpoint& from)
{
    std::optional<uint32_t> refused;
    if (m_controlAccess.Allowed(from, &refused))
        return true;
    if (refused)
        TRZ_Trace(kTrzCore, "\nOnReceive(3): control from %s refused: its socket belongs to user %u",
                  from.toString(), *refused);
    else
        TRZ_Trace(kTrzCore, "\nOnReceive(3): control from %s refused: no socket of a known user",
                  from.toString());
    return false;
}

uint16_t CMyService::ListPrinters(char* buffer, size_t size, size_t* used)
{
    return m_jobs.printers.RefreshPrinters(buffer, size, used, false);
}

uint16_t CMyService::CheckPrinter(const std::string& printer, const std::string& password)
{
    uint16_t code = 0;
    CASTCPThread::ChkPrinter(m_jobs.printers, printer, password.c_str(), &code);
    return code;
}

bool CMyService::GetAutoStart()
{
    return m_options.readAutoStart ? m_options.readAutoStart() : false;
}

void CMyService::SetAutoStart(bool on)
{
    if (m_options.writeAutoStart)
        m_options.writeAutoStart(on);
}

void CMyService::SetUseDns(bool on)
{
    m_settings.useDns = on;
    m_jobs.useDns = on;
}

void CMyService::ToggleTracer()
{
    SetTracer(!TraceSettings::tracerOn());
}

void CMyService::ToggleTiming()
{
    TraceSettings::setTiming(!TraceSettings::timing());
}

} // namespace typestone
