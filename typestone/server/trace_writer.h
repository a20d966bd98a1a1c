#pragma once
// Writes the lines of the trace file and the job log.
//
// Each line is composed in full and written with one append, so lines of many threads never
// mix. The first line of a run with a header empties the trace file and writes the header
// block. While extended debugging or the tracer-switch banner is on and the file has content,
// the emptying is asked first: the question runs on a thread of its own, so no caller waits
// for a person (the service thread keeps answering hosts meanwhile). Every line written while
// it is open, the first one included, is held and written after the header once it is
// answered; an unanswered question keeps the file.

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

    // Whether the overwrite question is open.
    static bool questionOpen();
    // Waits at most `timeoutMs` for the open question to be answered; true when none is open.
    static bool waitQuestion(unsigned timeoutMs);
    // Gives up the open question: the held lines are appended and the file is kept. For the
    // end of the run, so that nothing held is lost; a late answer then changes nothing.
    static void settleQuestion();

    // The header block as it stands now.
    static std::string header();

private:
    static std::string compose(const Options& options, const std::string& levelPrefix,
                               const std::string& text);
    static bool askOverwrite(const std::string& path);
    static void finishQuestion(unsigned long long question, bool empty);
};

} // namespace typestone
