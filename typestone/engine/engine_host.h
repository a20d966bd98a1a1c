#pragma once
// What the print engine needs from whatever runs a job (the server's connection, a test, a
// benchmark): the job's status, the host's files, the user-interface bridge, the trace and the
// program's strings. The engine declares it; the runner implements what it has. Every member
// has a harmless default (no trace, no host files, the process's UI bridge), so a job runs
// without a runner of its own.

#include "typestone/engine/trace_areas.h"
#include "typestone/engine/unsupported_report.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::ui {
class UiBridge;
}

namespace typestone {

class HostFileLink;

class EngineHost
{
public:
    virtual ~EngineHost() = default;

    // The job's status: it starts printing; the size of the job once it is done.
    virtual void JobPrinting() {}
    virtual void JobSize(uint32_t bytes) { (void)bytes; }

    // The job's link to the host's files; null when there is none.
    virtual HostFileLink* HostFiles() { return nullptr; }

    // Boxes, questions and progress displays of the job.
    virtual platform::ui::UiBridge& Ui();

    // The trace: whether lines under `mask` are written, one line, a hex dump of bytes, and
    // whether extended debugging (questions before destructive steps) is on.
    virtual bool TraceOn(uint32_t mask)
    {
        (void)mask;
        return false;
    }
    virtual void TraceText(const std::string& text) { (void)text; }
    virtual void TraceHexDump(const char* title, const void* data, size_t size)
    {
        (void)title;
        (void)data;
        (void)size;
    }
    virtual bool ExtendedDebug() { return false; }
    // A message box of `type` whose text and answer are traced under `mask`; the answer.
    virtual int TracedBox(const std::string& text, unsigned type, uint32_t mask);

    // The unsupported-command report: its trace line under kTrzCore and its dialog. True when
    // the person ticked "Ignore Unsupported Commands". This one offers no update button; the
    // server's adds it.
    virtual bool ShowUnsuppDlg(const UnsupportedCommandReport& report);

    // The program's string `id`: true with *out set when there is one.
    virtual bool StringText(unsigned id, std::string* out)
    {
        (void)id;
        (void)out;
        return false;
    }
    // The program's version line for message boxes; empty when there is none.
    virtual std::string VersionText() { return {}; }

    // The host of a job whose runner gives none.
    static EngineHost& Default() noexcept;
};

} // namespace typestone
