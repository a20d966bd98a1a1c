#pragma once
// A raw job of the CUPS spooler: one open Send-Document request fed chunk by chunk.

#include "platform/spooler/cups_connection.h"
#include "platform/spooler/raw_job.h"

#include <memory>
#include <string>

namespace platform::spooler {

class CupsRawJob : public RawJob
{
public:
    // `connection` carries the started document of job `jobId` on `printer`.
    CupsRawJob(std::unique_ptr<CupsConnection> connection, std::string printer, int jobId);
    ~CupsRawJob() override;

    CupsRawJob(const CupsRawJob&) = delete;
    CupsRawJob& operator=(const CupsRawJob&) = delete;

    bool write(const void* data, size_t size) override;
    bool finish() override;
    void abort() override;
    std::string errorText() const override { return m_error; }

    // Cancels job `jobId` on `printer` over a connection of its own.
    static bool cancel(const std::string& printer, int jobId, std::string* error);

private:
    enum class State
    {
        Open,
        Failed,
        Finished,
        Aborted
    };

    std::unique_ptr<CupsConnection> m_connection;
    const std::string m_printer;
    const int m_jobId;
    State m_state = State::Open;
    std::string m_error;
};

} // namespace platform::spooler
