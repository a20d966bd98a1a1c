#pragma once
// Writes the lines of the trace file and the job log.
//
// Each line is composed in full and written with one append, so lines of many threads never
// mix. The first line of a run with a header empties the trace file (asking first, without the
// lock held, while extended debugging or the tracer-switch banner is on and the file has
// content) and writes the header block; lines other threads write meanwhile are held and
// written after it, so none is lost to the emptying.

#include <cstddef>
#include <string>

namespace typestone {

class TraceWriter
{
public:
    struct Options
    {
        bool withHeader = false; // the trace file: header block on the first write of the run
        bool logLine = false;    // a job-log line: stars and time stamp always
        bool timing = false;     // time stamp and thread tag before the text
    };

    // One line; `levelPrefix` is empty or the "0x%08x" text of the mask that let it through.
    static void write(const std::string& path, const Options& options, const std::string& levelPrefix,
                      const std::string& text);

    // The next line with a header starts a new run (start-up, tracer switched on).
    static void startRun();
    // Marks the calling thread as writing the tracer-switch banner.
    static void setInSwitch(bool on);

    // The header block as it stands now.
    static std::string header();

private:
    static std::string compose(const Options& options, const std::string& levelPrefix,
                               const std::string& text);
    static bool askOverwrite(const std::string& path);
};

} // namespace typestone
