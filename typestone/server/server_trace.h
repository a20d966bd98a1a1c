#pragma once
// The server's trace facility: lines under an area mask into "Typestone.trz", the job log
// "Typestone.log", time shots, hex dumps and traced message boxes. Both files lie in the
// per-session temporary folder; each line is one append.

#include "typestone/engine/trace_areas.h"

#include "platform/text/sprintf.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace typestone {

// In service mode boxes are answered by TypestoneUI: the sender shows `text` (or, when text is
// empty, the string `stringId`) with `type` and returns the answer, or 0 when none came.
using ServiceMessageBoxSender = int (*)(const std::string& text, unsigned stringId, unsigned type);
void setServiceMessageBoxSender(ServiceMessageBoxSender sender);

} // namespace typestone

// True when the mask is 0 or shares a bit with the trace level. Then the calling thread's next
// line is marked with the mask (" (Level=0x%08x)") when `prefix` is asked for or the mask
// differs from the last one tested.
bool TRZ_IsOn(uint32_t mask, bool prefix = false);

// One line in the trace file while the tracer is on.
void TRZ_Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// One line of ready text in the trace file while the tracer is on.
void TRZ_Write(const std::string& text);

// One trace line under `mask`, formatted printf-style and of any length, when the trace level
// takes the mask (TRZ_IsOn).
template <typename... Args> void TRZ_Trace(uint32_t mask, const char* format, const Args&... args)
{
    if (TRZ_IsOn(mask))
        TRZ_Write(platform::text::sprintf(format, args...));
}

// One line in the job log while job logging is on.
void TRZ_LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A time shot: the elapsed milliseconds since *counter (the shared counter when null; a
// counter at 0 starts now) appended to `text`; printed when asked; with `reset` the counter
// becomes now. Returns the text.
std::string TRZ_TimeShot(const char* text, bool reset, bool print, uint64_t* counter = nullptr);

// A hex dump as trace lines: the title with the length, a column header and one line per 16
// bytes. `timing` chooses time stamps on the dump's lines (normally off, so rows stay aligned).
void TRZ_HexDump(const char* title, const void* data, size_t size, bool timing = false);

// Traced message boxes (the box's trace text goes to the trace file when the mask is on).
int TRZ_MsgBox(const char* text, unsigned type, unsigned helpId, uint32_t mask);
int TRZ_MsgBoxId(unsigned stringId, unsigned type, unsigned helpId, int withApp, uint32_t mask);

// Switches the tracer; switching on starts a new run (header block on the next line).
void SetTracer(bool on);

// The trace file's and the job log's full names.
std::string& GetTrzFName(std::string& out);
std::string& GetLogFName(std::string& out);

// Opens the trace file in the desktop's editor, asking first when `ask`. False when not
// confirmed or nothing could be started.
bool OpenTrzFile(bool ask);
