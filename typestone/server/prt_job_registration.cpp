#include "typestone/server/prt_job_registration.h"

#include "typestone/server/job_sequencer.h"
#include "typestone/server/prt_job_thread.h"

#include <memory>

namespace typestone {

PrtJobRegistration::PrtJobRegistration(JobSequencer& sequencer, const void* owner,
                                       platform::jobio::WakeSignal turn)
    : m_sequencer(sequencer)
{
    auto job = std::make_unique<CPrtJobThread>(&sequencer, owner, std::move(turn));
    m_job = job.get();
    m_sequencer.AddPrtJobThread(std::move(job));
}

PrtJobRegistration::~PrtJobRegistration()
{
    m_sequencer.RemovePrtJobThread(m_job);
}

} // namespace typestone
