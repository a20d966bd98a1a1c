#include "typestone/engine/text_model_wrap_context.h"

#include <utility>

namespace typestone {

CWrapContext::CWrapContext(FormatterLine& line)
    : m_szCurrLine(std::exchange(line.m_szCurrLine, {})),
      m_szWrappedText(std::exchange(line.m_szWrappedText, {})),
      m_szWholeLine(std::exchange(line.m_szWholeLine, {})), m_runs(std::exchange(line.m_pFTexts, {})),
      m_current(std::exchange(line.m_pCurrFText, nullptr)), m_nBlanks(std::exchange(line.m_nBlanks, 0))
{
}

void CWrapContext::Restore(FormatterLine& line)
{
    line.m_szCurrLine = std::move(m_szCurrLine);
    line.m_szWrappedText = std::move(m_szWrappedText);
    line.m_szWholeLine = std::move(m_szWholeLine);
    line.m_pFTexts = std::move(m_runs);
    line.m_pCurrFText = m_current;
    line.m_nBlanks = m_nBlanks;
    m_current = nullptr;
}

} // namespace typestone
