#pragma once
// How a long file operation (copy, comparison) shows its progress and learns that the user
// cancelled. The library's message dialog implements it; a null pointer shows nothing.

#include "klv_inet/support/klv_export.h"

#include <cstdint>
#include <string>

namespace klv {

class KLV_EXPORT CopyProgress
{
public:
    virtual ~CopyProgress();

    // The work begins: the dialog's generic message (the first file and its size) and its
    // first line (the second file); lines 2 and 3 empty, the busy animation started.
    virtual void start(const std::string& message, const std::string& line1) = 0;

    // `done` of `total` bytes are through; the time to go is reckoned from start().
    virtual void report(uint64_t done, uint64_t total) = 0;

    // True once the user asked to stop.
    virtual bool isCancelled() = 0;

    // The work ended (also after a cancel or an error): the animation stops.
    virtual void stop() = 0;
};

} // namespace klv
