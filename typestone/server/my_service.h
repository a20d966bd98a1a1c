#pragma once
// The server's service: the hidden status window (a QObject on the service thread), the UDP
// and TCP listening sockets, the shared memory with the connection status, pause and continue.
//
// Everything here runs on the thread that calls Run(), except PostStatusMessage() and
// Handler(), which any thread may call: they queue the work onto that thread.

#include "typestone/server/control_access.h"
#include "typestone/server/general_settings.h"
#include "typestone/server/nt_service.h"
#include "typestone/server/udp_actions.h"
#include "typestone/server/udp_server.h"

#include "platform/sync/shared_memory.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace typestone {

class CASTCPTypestone;
struct JobContext;

class CMyService : public QObject, public CNTService, public UdpActions
{
    Q_OBJECT

public:
    struct Options
    {
        bool serviceMode = true;               // m_bIsWinNT
        std::string listenAddress = "0.0.0.0"; // where the listeners bind
        std::string sharedMemName = "VALDORTypestoneMemFileMap";
        // Listen on a UDP port and a job port that the system picks, not the configured ones,
        // and let each job's data port be picked the same way (its reply names it), so that a
        // private run never collides with another server. BoundUdpPort() and BoundTcpPort()
        // tell which; the configured ports are still the ones written back.
        bool anyPorts = false;
        // How the auto-start flag (the unit's enabled state) is read and written; unset: off.
        std::function<bool()> readAutoStart;
        std::function<void(bool)> writeAutoStart;
        // Writes (true) or removes (false) TypestoneUI's start-up entry; unset: nothing.
        std::function<void(bool)> writeUiStartup;
        // Who owns the socket of a control datagram's sender; unset: the kernel's tables.
        ControlAccess::OwnerLookup udpOwners;
    };

    CMyService(JobContext& jobs, GeneralSettings& settings, Options options);
    ~CMyService() override;

    // --- CNTService
    bool OnInit() override;
    // Creates the sockets and runs the event loop until the stop message.
    void Run() override;
    // Releases the shared memory.
    void OnStop() override;
    bool OnUserControl(uint32_t code) override;

    // Shutdown, in this order: StopListeners (no new work, every connection ended and its
    // worker joined), then the caller stops the sequencer, then ClosePorts writes the ports.
    void StopListeners();
    void ClosePorts();

    // Reads the four ports and opens the sockets (the UDP socket stays while paused in
    // service mode), then prints the ports it listens on. False when a socket could not be
    // made; the old ones stay then.
    bool CreateSockets();
    // Toggles the pause: pausing gives up the job port (and, on the desktop, the UDP port) and
    // stores the ports; continuing opens them again. Messages 1094 and 1095 both come here, so
    // TypestoneUI's one pause command pauses and continues. A continue that cannot open the
    // sockets leaves the server paused.
    void DoPause();
    bool IsPaused() const { return m_paused; }
    // The auto-start flag as last read by the status window (1096, 1098, 1099).
    bool AutoStartFlag() const { return m_autoStart; }

    // The status window's message handler.
    void WndProc(uint16_t message);
    // Writes the connection status into the shared memory.
    void SetSharedMem();
    // New ports (the configuration dialog's): stored, and the sockets made again on them
    // unless paused. False when they equal the current ones, or when a socket could not be
    // made: the old sockets and the old stored ports stay then.
    bool ChangePorts(const PortConfig& ports);
    // Re-reads the ports and the settings; sockets are recreated only when a port changed.
    void ReloadConfig();
    // A 6-byte notice to TypestoneUI.
    void SendSCMMessage(uint16_t command);

    const PortConfig& Ports() const { return m_ports; }
    uint16_t BoundUdpPort() const { return m_udp.Port(); }
    uint16_t BoundTcpPort() const;
    bool TcpListening() const;
    const platform::sync::SharedMemory& SharedMem() const { return m_sharedMem; }
    bool ServiceMode() const { return m_options.serviceMode; }
    // Run() ended at once because the sockets could not be made.
    bool SocketsFailed() const { return m_socketsFailed; }

    // --- UdpActions
    bool IsServiceMode() const override { return m_options.serviceMode; }
    bool MayControl(const platform::net::Endpoint& from) override;
    uint16_t ListPrinters(char* buffer, size_t size, size_t* used) override;
    uint16_t CheckPrinter(const std::string& printer, const std::string& password) override;
    void PostControl(uint16_t message) override { PostStatusMessage(message); }
    bool GetAutoStart() override;
    void SetAutoStart(bool on) override;
    void ToggleTracer() override;
    void ToggleTiming() override;

    // Any thread: the message is handled on the service thread.
    void PostStatusMessage(uint16_t message) override;

    // The configuration dialog's "Use DNS to name print works": the setting and the jobs' copy.
    void SetUseDns(bool on);

signals:
    // The stop message came: windows still open are to close.
    void stopping();

private:
    bool openUdp(uint16_t port);
    bool openTcp(uint16_t port);
    void pauseAccepts(int pauseMs);
    void closeTcp();
    void watchUdp();
    // Reads the auto-start flag and makes TypestoneUI's start-up entry follow it.
    void syncUiStartup();
    // The data port the next job listens on; 0 lets the system pick one.
    uint16_t dataPort() const { return m_options.anyPorts ? 0 : m_ports.aux; }

    JobContext& m_jobs;
    GeneralSettings& m_settings;
    Options m_options;

    PortConfig m_ports;
    ControlAccess m_controlAccess;
    CASUDPTypestone m_udp;
    std::unique_ptr<QSocketNotifier> m_udpNotifier;
    std::unique_ptr<CASTCPTypestone> m_tcp;
    std::unique_ptr<QSocketNotifier> m_tcpNotifier;
    bool m_tcpListening = false;
    bool m_paused = false; // bDisabled
    bool m_autoStart = false;

    platform::sync::SharedMemory m_sharedMem;
    QEventLoop* m_loop = nullptr;
    bool m_stopRequested = false;
    bool m_socketsFailed = false;
};

} // namespace typestone
