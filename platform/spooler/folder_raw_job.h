#pragma once
// A raw job of the folder spooler: bytes go straight into the job's ".part" file.

#include "platform/spooler/raw_job.h"

#include <cstdint>
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
    // Adds a "cut-short=<reason>" line to the job's info file.
    bool markCutShort(const std::string& reason) override;
    bool finish() override;
    void abort() override;
    std::string errorText() const override { return m_error; }

    // Every kWriteBackStep bytes written, the disk starts writing them out.
    static constexpr uint64_t kWriteBackStep = 8 * 1024 * 1024;

private:
    void startWriteBack();

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
    uint64_t m_written = 0;       // bytes in the file
    uint64_t m_writeBackFrom = 0; // where the disk has not yet been asked to write
};

} // namespace platform::spooler
