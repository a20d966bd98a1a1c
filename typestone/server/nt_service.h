#pragma once
// The general service base: the state the service reports, the control codes it obeys and the
// overridable steps of its life.
//
// Under systemd the states become notices on the notification socket (READY=1 when running,
// STOPPING=1 when stopping, STATUS= for the others); without one they are only kept. The
// control codes are the ones a service manager sends: 1 stop, 2 pause, 3 continue,
// 4 interrogate, 5 shutdown, 128 and up user codes. SIGTERM and SIGINT arrive as 1, SIGUSR1 as
// 128.

#include <atomic>
#include <cstdint>
#include <string>

namespace typestone {

class CNTService
{
public:
    enum State : int
    {
        kStopped = 1,
        kStartPending = 2,
        kStopPending = 3,
        kRunning = 4,
        kContinuePending = 5,
        kPausePending = 6,
        kPaused = 7,
    };

    enum Control : uint32_t
    {
        kControlStop = 1,
        kControlPause = 2,
        kControlContinue = 3,
        kControlInterrogate = 4,
        kControlShutdown = 5,
        kControlUser = 128,
    };

    explicit CNTService(const char* serviceName);
    virtual ~CNTService() = default;
    CNTService(const CNTService&) = delete;
    CNTService& operator=(const CNTService&) = delete;

    const std::string& ServiceName() const { return m_serviceName; }

    // Start pending, OnInit, then running (true) or stopped (false).
    bool Initialize();
    // Records the state and tells systemd.
    void SetStatus(State state);
    State CurrentState() const { return m_state.load(); }
    bool IsRunning() const { return m_running.load(); }

    // One control code; false for a bad request.
    bool Handler(uint32_t code);

    virtual void Run();
    virtual bool OnInit();
    virtual void OnStop();
    virtual void OnInterrogate();
    virtual void OnPause();
    virtual void OnContinue();
    virtual void OnShutdown();
    virtual bool OnUserControl(uint32_t code);

protected:
    // A message for the status window, handled on the service thread.
    virtual void PostStatusMessage(uint16_t message) = 0;
    void SetRunning(bool on) { m_running = on; }

private:
    std::string m_serviceName;
    std::atomic<State> m_state{kStopped};
    std::atomic<bool> m_running{false};
};

} // namespace typestone
