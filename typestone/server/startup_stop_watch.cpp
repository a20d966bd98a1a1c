#include "typestone/server/startup_stop_watch.h"

#include "typestone/server/server_trace.h"

#include "platform/service/signal_channel.h"
#include "platform/settings/settings_store.h"

#include <csignal>

namespace typestone {

StartupStopWatch::StartupStopWatch(platform::service::SignalChannel* channel) : m_channel(channel)
{
    if (m_channel && m_channel->isOpen())
        m_thread = std::thread([this] { run(); });
}

StartupStopWatch::~StartupStopWatch()
{
    Finish();
}

void StartupStopWatch::Finish()
{
    m_finished = true;
    if (m_thread.joinable())
        m_thread.join();
}

void StartupStopWatch::run()
{
    while (!m_finished) {
        if (!m_channel->waitPending(kSliceMs))
            continue;
        while (std::optional<int> s = m_channel->readSignal()) {
            if (*s == SIGUSR1)
                continue;
            TRZ_Trace(kTrzCore, "\nStartupStopWatch: signal %d during the start-up", *s);
            m_stopRequested = true;
            platform::SettingsStore::limitWaits(0);
        }
    }
}

} // namespace typestone
