// What the formatter writes to the job's trace: the runs of the line and the status report of
// its rectangles.

#include "typestone/engine/text_formatter.h"

namespace typestone {

namespace {

// Host text in a trace line: its first characters only, however long the run.
constexpr size_t kTracedText = 256;

std::string traced(std::string_view text)
{
    return std::string(text.substr(0, kTracedText));
}

void reportRect(std::string& out, const CPrtRect& rect, const char* role)
{
    const auto& a = rect.Area();
    out += platform::text::sprintf("\n%s(%d): area(%d,%d,%d,%d) pages %d-%d options=0x%03x style=0x%04x",
                                   role, rect.Index(), a.left, a.top, a.right, a.bottom, rect.FirstPage(),
                                   rect.LastPage(), rect.Options(), rect.Style());
    rect.Dump(out);
}

} // namespace

void CTextFormatter::traceRuns() const
{
    if (m_host == nullptr || !m_host->TraceOn(kTrzJobs))
        return;
    std::string out = "\nPrintFTexts():...entra";
    for (const auto& run : m_line.m_pFTexts)
        out += platform::text::sprintf("\nm_szText=%s m_sSize(%d,%d) m_sLineSize=(%d,%d)",
                                       traced(run->Text()), run->TextSize().width, run->TextSize().height,
                                       run->LineSize().width, run->LineSize().height);
    out += "\nPrintFTexts():...sale";
    m_host->TraceText(out);
}

std::string CTextFormatter::StatusReport() const
{
    std::string out = "\n\n******************CTextFormatter status report*********\n";
    out += platform::text::sprintf("\npage=%d current=%d line='%s' wrapped='%s' runs=%d", m_nPage,
                                   m_pClipRect != nullptr ? m_pClipRect->Index() : -1,
                                   traced(m_line.m_szCurrLine), traced(m_line.m_szWrappedText),
                                   static_cast<int>(m_line.m_pFTexts.size()));
    if (m_pDfltClipRect)
        reportRect(out, *m_pDfltClipRect, "default rect");
    for (const auto& rect : m_pDocRects)
        if (rect)
            reportRect(out, *rect, rect.get() == m_pClipRect ? "current rect" : "rect");
    return out;
}

void CTextFormatter::TraceStatusReport() const
{
    if (m_host != nullptr && m_host->TraceOn(kTrzStatus))
        m_host->TraceText(StatusReport());
}

} // namespace typestone
