#pragma once
// A job's print log: every byte the interpreter takes, every command it runs and every failure,
// in the order they came, for finding out why a job printed as it did. It is off unless the
// runner names a file. The file is opened for appending and closed again for every write, so
// that it is complete whenever the job stops and another process may read it meanwhile.

#include <cstdint>
#include <string>

namespace typestone {

class PrintLog
{
public:
    // Starts logging to `path` (empty: off). Nothing is written until the log begins.
    void setPath(std::string path);
    bool isOn() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }

    // The header with the start time, the version line and the machine's description.
    bool begin(const std::string& version, const std::string& machine);
    // One text byte of page `page`; a byte below blank is shown by its code.
    void text(uint8_t byte, unsigned page, bool playing);
    // A control byte and its name: the text before it is written first.
    bool control(uint8_t byte, const char* name);
    // A command with its parameters, as the trace describes it.
    bool command(const std::string& description);
    // A failure report.
    bool error(const std::string& text);
    // The bracket around recorded actions played for a page.
    bool playing(bool start);
    // The closing lines with the end time.
    bool end();

    // Why the last write failed (errno), 0 when it did not.
    int lastFailure() const { return m_failure; }

private:
    bool flushText();
    bool write(const std::string& text);

    std::string m_path;
    std::string m_text; // text collected since the last line written
    unsigned m_textPage = 0;
    bool m_textPlaying = false;
    int m_failure = 0;
};

} // namespace typestone
