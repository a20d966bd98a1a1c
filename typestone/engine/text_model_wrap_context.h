#pragma once
// Pending wrapped text parked while the formatter changes rectangles or pages: the line's
// strings, its runs and the blank count.

#include "typestone/engine/text_model_line.h"

namespace typestone {

class CWrapContext
{
public:
    // Takes the text part of the line (the position stays).
    explicit CWrapContext(FormatterLine& line);
    // Gives it back; the line's own runs are dropped.
    void Restore(FormatterLine& line);

private:
    std::string m_szCurrLine;
    std::string m_szWrappedText;
    std::string m_szWholeLine;
    RunList m_runs;
    CFText* m_current = nullptr;
    int m_nBlanks = 0;
};

} // namespace typestone
