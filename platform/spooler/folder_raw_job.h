#pragma once
// A raw job of the folder spooler: bytes go straight into the job's ".part" file.

#include "platform/spooler/raw_job.h"

#include <string>

namespace platform::spooler {

class FolderRawJob : public RawJob
{
public:
    // Takes over the open descriptor `fd` of `partPath`; finish() renames it to `finalPath`,
    // abort() removes it and the job's `infoPath`.
    FolderRawJob(int fd, std::string partPath, std::string finalPath, std::string infoPath);
    ~FolderRawJob() override;

    FolderRawJob(const FolderRawJob&) = delete;
    FolderRawJob& operator=(const FolderRawJob&) = delete;

    bool write(const void* data, size_t size) override;
    bool finish() override;
    // Adds "ended=cut-short" to the job's info, then finishes.
    bool finishCutShort() override;
    void abort() override;
    std::string errorText() const override { return m_error; }

private:
    enum class State
    {
        Open,
        Failed,
        Finished,
        Aborted
    };

    int m_fd;
    const std::string m_partPath;
    const std::string m_finalPath;
    const std::string m_infoPath;
    State m_state = State::Open;
    std::string m_error;
};

} // namespace platform::spooler
