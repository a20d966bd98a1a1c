#include "platform/spooler/folder_raw_job.h"

#include "platform/spooler/spool_files.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform::spooler {

FolderRawJob::FolderRawJob(int fd, std::string partPath, std::string finalPath, std::string infoPath)
    : m_fd(fd), m_partPath(std::move(partPath)), m_finalPath(std::move(finalPath)),
      m_infoPath(std::move(infoPath))
{
}

FolderRawJob::~FolderRawJob()
{
    if (m_state != State::Finished)
        abort();
}

bool FolderRawJob::write(const void* data, size_t size)
{
    if (m_state != State::Open) {
        m_error = m_state == State::Failed ? m_error : "the job has ended";
        return false;
    }
    if (!files::writeAll(m_fd, data, size, &m_error)) {
        m_error = m_partPath + ": " + m_error;
        m_state = State::Failed;
        return false;
    }
    m_written += size;
    startWriteBack();
    return true;
}

void FolderRawJob::startWriteBack()
{
    // A long job's data goes to the disk while the rest still arrives, so that the flush at
    // the end waits only for the last piece. Only a hint: finish() flushes all of it.
    if (m_written - m_writeBackFrom < kWriteBackStep)
        return;
    files::startWriteBack(m_fd, m_writeBackFrom, m_written - m_writeBackFrom);
    m_writeBackFrom = m_written;
}

bool FolderRawJob::markCutShort(const std::string& reason)
{
    if (m_state != State::Open) {
        m_error = m_state == State::Failed ? m_error : "the job has ended";
        return false;
    }
    std::string problem;
    if (!files::appendCutShortMark(m_infoPath, reason, &problem)) {
        m_error = m_infoPath + ": " + problem;
        return false;
    }
    return true;
}

bool FolderRawJob::finish()
{
    if (m_state != State::Open) {
        if (m_state != State::Failed)
            m_error = "the job has ended";
        abort();
        return false;
    }
    // The data must be on disk before the final name says the job is complete.
    if (::fsync(m_fd) != 0) {
        m_error = files::errnoText("cannot flush " + m_partPath, errno);
        abort();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        m_error = files::errnoText("cannot close " + m_partPath, errno);
        abort();
        return false;
    }
    if (!files::renameNoReplace(m_partPath, m_finalPath, &m_error)) {
        abort();
        return false;
    }
    m_state = State::Finished;
    return true;
}

void FolderRawJob::abort()
{
    if (m_state == State::Finished || m_state == State::Aborted)
        return;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    ::unlink(m_partPath.c_str());
    ::unlink(m_infoPath.c_str());
    m_state = State::Aborted;
}

} // namespace platform::spooler
