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

    // Records, before finish(), that the document ends early: what was written is all there
    // will be, for `reason`. Backends that keep a record beside the job note it there; the
    // others have nowhere to and only return true. False when the note could not be written
    // (the job itself is unharmed).
    virtual bool markCutShort(const std::string& reason)
    {
        (void)reason;
        return true;
    }

    // Ends the document; true only when the spooler has all of it.
    virtual bool finish() = 0;

    // Withdraws the job and whatever was written. Harmless when already finished or aborted.
    virtual void abort() = 0;

    // Why the last call failed.
    virtual std::string errorText() const = 0;
};

} // namespace platform::spooler
