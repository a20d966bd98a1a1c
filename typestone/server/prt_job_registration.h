#pragma once
// A connection's place in the job list for as long as its worker runs: made, it hands a new
// job record to the sequencer; destroyed, it marks the record finished and so takes it out of
// the list (its printer is freed for the next job and the record deleted). The worker never
// owns the record and never deletes it.

#include "platform/jobio/wake_signal.h"

#include <cstdint>

namespace typestone {

class CPrtJobThread;
class JobSequencer;

class PrtJobRegistration
{
public:
    // `owner` identifies the worker in the record's traces; `turn` becomes the record's turn
    // signal.
    PrtJobRegistration(JobSequencer& sequencer, const void* owner,
                       platform::jobio::WakeSignal turn = platform::jobio::WakeSignal());
    ~PrtJobRegistration();
    PrtJobRegistration(const PrtJobRegistration&) = delete;
    PrtJobRegistration& operator=(const PrtJobRegistration&) = delete;

    // The record, listed until this object ends.
    CPrtJobThread* job() const { return m_job; }

private:
    JobSequencer& m_sequencer;
    CPrtJobThread* m_job;
};

} // namespace typestone
