#pragma once
// What the text formatter asks of the font mapper and the job: the line ends and table moves
// it triggers, the fields it prints, the background mode it tells, the box drawing it turns on
// or off, whether the job was cancelled (long wrapping stops then), and the job's trace.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::draw {
class Dc;
}

namespace typestone {

class FormatterHost
{
public:
    virtual ~FormatterHost() = default;
    // A wrapped line was drawn: the job ends the line and moves down one.
    virtual void FmtEndLine() = 0;
    // One cell of an advancing table row moves down one line.
    virtual void FmtDown() = 0;
    // A field of a table row goes through the job's data path into the current cell.
    virtual void FmtPrintData(std::string_view bytes) = 0;
    virtual void FmtSetBkMode(int mode) = 0;
    // Box characters are drawn only in left-aligned text.
    virtual void EnableBoxDrawing(bool on) = 0;
    virtual bool Cancelled() const = 0;
    // The device context to draw on now. A line end, a row move or a field may end the page
    // and start the next one on a context of its own: `given` is then gone.
    virtual platform::draw::Dc* FmtDc(platform::draw::Dc* given) { return given; }
    // The job's trace: whether lines under `mask` are written, and one line. None by default.
    virtual bool TraceOn(uint32_t mask) const
    {
        (void)mask;
        return false;
    }
    virtual void TraceText(const std::string& text) { (void)text; }
};

} // namespace typestone
