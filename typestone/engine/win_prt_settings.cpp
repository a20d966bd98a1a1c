// CWinPrt: the job's configuration, its printer's information and the page orientation.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/printer_open_lock.h"
#include "typestone/engine/win_prt.h"

#include <cstring>

namespace typestone {

namespace {

template <size_t N> void copyField(char (&to)[N], const char (&from)[N])
{
    std::memcpy(to, from, N);
    to[N - 1] = '\0';
}

} // namespace

bool CWinPrt::SetConfig(const INIT_DATA* record, bool showMessages)
{
    INIT_DATA data = DefaultInitData();
    // A printer name that fills its field has lost its end: printing on a cut name could reach
    // another printer, so the job gets none.
    const bool nameFits =
        record == nullptr || std::memchr(record->printer, 0, sizeof record->printer) != nullptr;
    if (record != nullptr) {
        // Only what the job prints by: the share password stays with the connection.
        copyField(data.docname, record->docname);
        copyField(data.output, record->output);
        if (nameFits)
            copyField(data.printer, record->printer);
        data.cols = record->cols;
        data.rows = record->rows;
        data.options = record->options;
        data.snd_color = record->snd_color;
    } else {
        data.options = 1;
        data.snd_color = 7;
    }
    m_InitData = data;
    m_bShowMsgs = showMessages;
    m_ignoreUnsupported = false;
    if (IsDocStarted())
        m_pFMap->SetGridFont(m_wAttr, m_InitData.cols, m_InitData.rows);
    else
        m_wAttr = 0;
    Setup();
    SetupPrtData(FieldText(m_InitData.printer));
    if (!nameFits)
        Trace(kTrzJobs, "\nCWinPrt::SetConfig(): the printer name is longer than %u characters",
              kMaxPrinterName);
    return nameFits;
}

bool CWinPrt::SetupPrtData(const std::string& printer)
{
    m_pInfo2.reset();
    if (m_spooler == nullptr || printer.empty())
        return false;
    std::string error;
    m_pInfo2 = ReadPrinterInfo(*m_spooler, printer, &error);
    if (!m_pInfo2)
        Trace(kTrzJobs, "\nCWinPrt::SetupPrtData('%s'): %s", printer, error);
    return m_pInfo2.has_value();
}

bool CWinPrt::ChangeOrientation(bool landscape)
{
    if (!NewPage(false))
        return false;
    if (landscape == m_bLandScape)
        return true;
    if (!m_device)
        return false;
    const auto wanted =
        landscape ? platform::spooler::Orientation::Landscape : platform::spooler::Orientation::Portrait;
    if (!m_device->setOrientation(wanted)) {
        Trace(kTrzJobs, "\nCWinPrt::ChangeOrientation(%s): %s", landscape ? "landscape" : "portrait",
              m_device->errorText());
        return false;
    }
    m_bLandScape = landscape;
    // The printable area turned: the grid cells follow it.
    m_pFMap->SetDc(m_device->dc());
    m_pFMap->SetGridFont(m_wAttr, m_InitData.cols, m_InitData.rows);
    return true;
}

} // namespace typestone
