#pragma once
// A document whose bytes go to the printer unchanged, streamed as they arrive.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::spooler {

// Data types a raw job accepts (compared without case): "RAW", and "XPS_PASS" for printers
// with a version-4 driver.
bool isRawDataType(std::string_view dataType);

// One raw job, used by one thread at a time. Destroying a job that was not finished aborts it,
// so an interrupted transfer never reaches the printer as if it were complete.
class RawJob
{
public:
    virtual ~RawJob() = default;

    // Hands `size` bytes to the spooler now. False when they could not be delivered; the job is
    // then dead: finish() fails and the job is withdrawn.
    virtual bool write(const void* data, size_t size) = 0;

    // Ends the document; true only when the spooler has all of it.
    virtual bool finish() = 0;

    // Ends a document whose sender did not end it (the server stopped): what arrived is
    // printed, and where the backend keeps a record of the job it says the job was cut short.
    virtual bool finishCutShort() { return finish(); }

    // Withdraws the job and whatever was written. Harmless when already finished or aborted.
    virtual void abort() = 0;

    // Why the last call failed.
    virtual std::string errorText() const = 0;
};

} // namespace platform::spooler
