#pragma once
// The formatter's line state: where the line stands in its rectangle, what it holds and the
// runs it is made of. A print rectangle keeps a copy of it while it is not current, and a
// parked wrap state keeps the text part.

#include "typestone/engine/text_model_ftext.h"

#include <memory>
#include <string>
#include <vector>

namespace typestone {

using RunList = std::vector<std::unique_ptr<CFText>>;

struct FormatterLine
{
    int m_dwX = 0; // line origin inside the rectangle
    int m_dwY = 0;
    int m_dwCurrX = 0; // where the next text goes (absolute)
    int m_dwCurrY = 0;
    int m_dwLineY = 0; // height of the current line
    int m_dwLineX = 0;
    std::string m_szCurrLine;
    std::string m_szWrappedText;
    std::string m_szWholeLine;
    platform::draw::Size m_sLineSize;
    int m_nBlanks = 0;
    // The line was begun by a wrap and holds nothing yet: blanks that come next still belong to
    // the break, whether they came with the text that wrapped or with the next piece of it.
    bool m_bBreakBlanks = false;
    RunList m_pFTexts;
    CFText* m_pCurrFText = nullptr; // one of m_pFTexts, or null
};

// Removes the run from the list (and clears `current` when it was that run).
void RemoveRun(RunList& runs, CFText* run, CFText*& current);

} // namespace typestone
