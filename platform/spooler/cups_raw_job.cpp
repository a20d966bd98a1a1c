#include "platform/spooler/cups_raw_job.h"

namespace platform::spooler {

CupsRawJob::CupsRawJob(std::unique_ptr<CupsConnection> connection, std::string printer, int jobId)
    : m_connection(std::move(connection)), m_printer(std::move(printer)), m_jobId(jobId)
{
}

CupsRawJob::~CupsRawJob()
{
    if (m_state != State::Finished)
        abort();
}

bool CupsRawJob::write(const void* data, size_t size)
{
    if (m_state != State::Open) {
        if (m_state != State::Failed)
            m_error = "the job has ended";
        return false;
    }
    if (size == 0)
        return true;
    if (cupsWriteRequestData(m_connection->http(), static_cast<const char*>(data), size) !=
        HTTP_STATUS_CONTINUE) {
        m_error = CupsConnection::lastError("cannot send job data to printer " + m_printer);
        m_state = State::Failed;
        return false;
    }
    return true;
}

bool CupsRawJob::finish()
{
    if (m_state != State::Open) {
        if (m_state != State::Failed)
            m_error = "the job has ended";
        abort();
        return false;
    }
    const ipp_status_t status =
        cupsFinishDestDocument(m_connection->http(), m_connection->dest(), m_connection->info(nullptr));
    if (!CupsConnection::succeeded(status)) {
        m_error = CupsConnection::lastError("printer " + m_printer + " did not accept the job");
        m_state = State::Failed;
        abort();
        return false;
    }
    m_connection.reset();
    m_state = State::Finished;
    return true;
}

void CupsRawJob::abort()
{
    if (m_state == State::Finished || m_state == State::Aborted)
        return;
    // The document request cannot be ended cleanly halfway: drop the connection, then cancel
    // the job over a fresh one so the scheduler does not keep waiting for its document.
    m_connection->close();
    std::string error;
    if (!cancel(m_printer, m_jobId, &error) && m_error.empty())
        m_error = error;
    m_connection.reset();
    m_state = State::Aborted;
}

bool CupsRawJob::cancel(const std::string& printer, int jobId, std::string* error)
{
    CupsConnection connection;
    if (!connection.open(printer, error))
        return false;
    const ipp_status_t status = cupsCancelDestJob(connection.http(), connection.dest(), jobId);
    // A job that already ended cannot be cancelled any more; nothing is left to withdraw.
    if (CupsConnection::succeeded(status) || status == IPP_STATUS_ERROR_NOT_POSSIBLE ||
        status == IPP_STATUS_ERROR_NOT_FOUND)
        return true;
    if (error)
        *error = CupsConnection::lastError("cannot cancel job " + std::to_string(jobId) + " on " + printer);
    return false;
}

} // namespace platform::spooler
