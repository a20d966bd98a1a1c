#pragma once
// What the job reception borrows from the application object: the spooler, the shared-printer
// configuration, the sequencer, the connection list and the settings the connections read.

#include "typestone/server/connection_list.h"
#include "typestone/server/data_port.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace platform::spooler {
class Spooler;
}

namespace typestone {

class CPrinter;
struct EngineSetup;
class JobSequencer;

struct JobContext
{
    JobContext(platform::spooler::Spooler& spooler_, CPrinter& printers_, JobSequencer& jobs_)
        : spooler(spooler_), printers(printers_), jobs(jobs_)
    {
    }

    platform::spooler::Spooler& spooler;
    CPrinter& printers;
    JobSequencer& jobs;
    ConnectionList connections;
    // The auxiliary port's listening sockets, shared by the jobs waiting for a data connection.
    DataPort dataPort;
    // How interpreted jobs are printed; null refuses them with reply 6.
    const EngineSetup* engine = nullptr;

    std::atomic<uint16_t> auxPort{3341}; // "TYPST_AUXPORT"
    std::atomic<bool> useDns{false};     // "szUseDNS"

    // How long a host may take to open the data connection after reply 0.
    std::atomic<int> acceptTimeoutMs{16000};
    // How long a running job may receive nothing before it is ended as cut short
    // ("TCP_DATA_IDLE_SECONDS").
    std::atomic<int> dataIdleMs{300000};
    // How long a host may take to send the whole header after connecting.
    std::atomic<int> headerTimeoutMs{30000};
    // How long one reply may wait for room in the send buffer.
    std::atomic<int> replyTimeoutMs{10000};
    // The most connections served at once; one more is closed as soon as it is accepted. The
    // start-up sets it from "MaxConnections" and the descriptor limit (connection_cap.h);
    // this default is what a limit of 1024 descriptors leaves room for.
    std::atomic<size_t> maxConnections{240};
};

} // namespace typestone
