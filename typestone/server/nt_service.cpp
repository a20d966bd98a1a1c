#include "typestone/server/nt_service.h"

#include "typestone/server/server_trace.h"
#include "typestone/server/status_messages.h"

#include "platform/service/systemd_notify.h"

namespace typestone {

CNTService::CNTService(const char* serviceName) : m_serviceName(std::string(serviceName).substr(0, 63)) {}

bool CNTService::Initialize()
{
    SetStatus(kStartPending);
    if (!OnInit()) {
        TRZ_Trace(kTrzCore, "\nError-2");
        SetStatus(kStopped);
        return false;
    }
    m_running = true;
    SetStatus(kRunning);
    return true;
}

void CNTService::SetStatus(State state)
{
    m_state = state;
    switch (state) {
    case kRunning:
        platform::service::notifySystemd("READY=1\nSTATUS=Running");
        break;
    case kStopPending:
        platform::service::notifySystemd("STOPPING=1\nSTATUS=Stopping");
        break;
    case kPaused:
        platform::service::notifySystemd("STATUS=Paused: no new jobs are accepted");
        break;
    case kPausePending:
        platform::service::notifySystemd("STATUS=Pausing");
        break;
    case kContinuePending:
        platform::service::notifySystemd("STATUS=Continuing");
        break;
    case kStartPending:
        platform::service::notifySystemd("STATUS=Starting");
        break;
    case kStopped:
        platform::service::notifySystemd("STATUS=Stopped");
        break;
    }
}

bool CNTService::Handler(uint32_t code)
{
    bool ok = true;
    switch (code) {
    case kControlStop:
    case kControlShutdown:
        TRZ_Trace(kTrzCore, "\n(2)CNTService::Handler()->SERVICE_CONTROL_STOP");
        OnShutdown();
        break;
    case kControlPause:
        OnPause();
        break;
    case kControlContinue:
        OnContinue();
        break;
    case kControlInterrogate:
        OnInterrogate();
        break;
    default:
        if (code < kControlUser) {
            TRZ_Trace(kTrzCore, "\n(2)CNTService::Handler() EVMSG_BADREQUEST");
            ok = false;
        } else {
            TRZ_Trace(kTrzCore, "\n(2)CNTService::Handler() >=SERVICE_CONTROL_USER");
            ok = OnUserControl(code);
        }
        break;
    }
    return ok;
}

void CNTService::Run()
{
    TRZ_Trace(kTrzCore, "\nEntering CNTService::Run()");
}

bool CNTService::OnInit()
{
    TRZ_Trace(kTrzCore, "\nCNTService::OnInit()");
    return true;
}

void CNTService::OnStop()
{
    TRZ_Trace(kTrzCore, "\nCNTService::OnStop()");
}

void CNTService::OnInterrogate()
{
    TRZ_Trace(kTrzCore, "\nCNTService::OnInterrogate()");
}

void CNTService::OnPause()
{
    SetStatus(kPausePending);
    PostStatusMessage(SCM_PAUSE_MSG);
}

void CNTService::OnContinue()
{
    SetStatus(kContinuePending);
    PostStatusMessage(SCM_CONTINUE_MSG);
}

void CNTService::OnShutdown()
{
    SetStatus(kStopPending);
    m_running = false;
    PostStatusMessage(SCM_STOP_MSG);
}

bool CNTService::OnUserControl(uint32_t code)
{
    TRZ_Trace(kTrzCore, "\nCNTService::OnUserControl(0x%08x[%d])", code, int(code));
    return false;
}

} // namespace typestone
