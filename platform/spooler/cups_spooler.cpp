#include "platform/spooler/cups_spooler.h"

#include "platform/spooler/cups_connection.h"
#include "platform/spooler/cups_raw_job.h"
#include "platform/spooler/spool_files.h"

#include <cups/pwg.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

namespace platform::spooler {

namespace {

int ippOrientation(Orientation value)
{
    switch (value) {
    case Orientation::Portrait:
        return IPP_ORIENT_PORTRAIT;
    case Orientation::Landscape:
        return IPP_ORIENT_LANDSCAPE;
    case Orientation::ReverseLandscape:
        return IPP_ORIENT_REVERSE_LANDSCAPE;
    case Orientation::ReversePortrait:
        return IPP_ORIENT_REVERSE_PORTRAIT;
    }
    return IPP_ORIENT_PORTRAIT;
}

std::optional<Orientation> fromIppOrientation(int value)
{
    switch (value) {
    case IPP_ORIENT_PORTRAIT:
        return Orientation::Portrait;
    case IPP_ORIENT_LANDSCAPE:
        return Orientation::Landscape;
    case IPP_ORIENT_REVERSE_LANDSCAPE:
        return Orientation::ReverseLandscape;
    case IPP_ORIENT_REVERSE_PORTRAIT:
        return Orientation::ReversePortrait;
    default:
        return std::nullopt;
    }
}

int ippQuality(PrintQuality value)
{
    switch (value) {
    case PrintQuality::Draft:
        return IPP_QUALITY_DRAFT;
    case PrintQuality::Normal:
        return IPP_QUALITY_NORMAL;
    case PrintQuality::High:
        return IPP_QUALITY_HIGH;
    }
    return IPP_QUALITY_NORMAL;
}

std::optional<PrintQuality> fromIppQuality(int value)
{
    switch (value) {
    case IPP_QUALITY_DRAFT:
        return PrintQuality::Draft;
    case IPP_QUALITY_NORMAL:
        return PrintQuality::Normal;
    case IPP_QUALITY_HIGH:
        return PrintQuality::High;
    default:
        return std::nullopt;
    }
}

std::optional<int> toInt(const char* text)
{
    if (!text)
        return std::nullopt;
    const std::string_view view(text);
    int value = 0;
    auto [ptr, ec] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (view.empty() || ec != std::errc() || ptr != view.data() + view.size())
        return std::nullopt;
    return value;
}

std::optional<ColorMode> fromIppColorMode(std::string_view text)
{
    if (text == "monochrome" || text == "process-monochrome" || text == "bi-level" ||
        text == "auto-monochrome")
        return ColorMode::Monochrome;
    if (text == "color" || text == "auto" || text == "process-color" || text == "highlight")
        return ColorMode::Color;
    return std::nullopt;
}

// "600dpi", "600x1200dpi" or "236dpcm".
std::optional<Resolution> fromResolutionText(std::string_view text)
{
    bool perCm = false;
    if (text.size() > 5 && text.substr(text.size() - 4) == "dpcm") {
        perCm = true;
        text.remove_suffix(4);
    } else if (text.size() > 3 && text.substr(text.size() - 3) == "dpi") {
        text.remove_suffix(3);
    }
    const size_t x = text.find('x');
    const auto first = toInt(std::string(text.substr(0, x)).c_str());
    const auto second = x == std::string_view::npos ? first : toInt(std::string(text.substr(x + 1)).c_str());
    if (!first || !second)
        return std::nullopt;
    Resolution r{*first, *second};
    if (perCm)
        r = Resolution{(r.x * 254 + 50) / 100, (r.y * 254 + 50) / 100};
    if (r.x < 1 || r.y < 1 || r.x > kMaxResolution || r.y > kMaxResolution)
        return std::nullopt;
    return r;
}

// A media name from CUPS as a PWG name (legacy and PPD names are translated).
std::optional<std::string> pwgMediaName(const char* name)
{
    if (!name || !*name)
        return std::nullopt;
    if (isValidMediaName(name))
        return std::string(name);
    const pwg_media_t* media = pwgMediaForLegacy(name);
    if (!media)
        media = pwgMediaForPPD(name);
    if (media && media->pwg && isValidMediaName(media->pwg))
        return std::string(media->pwg);
    return std::nullopt;
}

// The queue's value for `option`: the destination's own option (lpoptions or the queue's
// "-default" attribute), else the default the printer reports.
std::string optionText(CupsConnection& connection, const char* option, ipp_attribute_t** attribute)
{
    *attribute = nullptr;
    cups_dest_t* dest = connection.dest();
    if (const char* value = cupsGetOption(option, dest->num_options, dest->options))
        return value;
    if (cups_dinfo_t* info = connection.info(nullptr))
        *attribute = cupsFindDestDefault(connection.http(), dest, info, option);
    return {};
}

PrinterInfo infoFromDest(const cups_dest_t& dest)
{
    PrinterInfo info;
    info.name = dest.name;
    const char* makeModel = cupsGetOption("printer-make-and-model", dest.num_options, dest.options);
    const char* uri = cupsGetOption("device-uri", dest.num_options, dest.options);
    const char* accepting = cupsGetOption("printer-is-accepting-jobs", dest.num_options, dest.options);
    info.makeAndModel = makeModel ? makeModel : "";
    info.deviceUri = uri ? uri : "";
    info.isDefault = dest.is_default != 0;
    info.accepting = !accepting || ::strcasecmp(accepting, "true") == 0 || std::string_view(accepting) == "1";
    info.driverVersion = 3;
    return info;
}

// Creates a job and starts its single document; returns the job id, or 0 with `error` set.
int startDocument(CupsConnection& connection, const std::string& printer, const std::string& documentName,
                  const char* format, int numOptions, cups_option_t* options, std::string* error)
{
    cups_dinfo_t* info = connection.info(error);
    if (!info)
        return 0;
    const std::string title = CupsConnection::jobName(documentName);
    int jobId = 0;
    if (!CupsConnection::succeeded(cupsCreateDestJob(connection.http(), connection.dest(), info, &jobId,
                                                     title.c_str(), numOptions, options)) ||
        jobId <= 0) {
        if (error)
            *error = CupsConnection::lastError("cannot create a job on printer " + printer);
        return 0;
    }
    if (cupsStartDestDocument(connection.http(), connection.dest(), info, jobId, title.c_str(), format, 0,
                              nullptr, 1) != HTTP_STATUS_CONTINUE) {
        if (error)
            *error = CupsConnection::lastError("cannot start the document on printer " + printer);
        connection.close();
        CupsRawJob::cancel(printer, jobId, nullptr);
        return 0;
    }
    return jobId;
}

} // namespace

std::string CupsSpooler::description() const
{
    const char* server = cupsServer();
    return std::string("CUPS spooler (server ") + (server ? server : "?") + ")";
}

std::vector<PrinterInfo> CupsSpooler::printers(std::string* error)
{
    std::string problem;
    std::vector<PrinterInfo> list = fetchPrinters(&problem);
    std::lock_guard lock(m_listMutex);
    ++m_listVersion;
    if (problem.empty()) {
        m_kept = list;
        m_keptAt = std::chrono::steady_clock::now();
    } else {
        m_kept.reset();
        if (error)
            *error = problem;
    }
    return list;
}

void CupsSpooler::expireLocked()
{
    if (m_kept && std::chrono::steady_clock::now() - m_keptAt >= std::chrono::milliseconds(kKeepListMs)) {
        m_kept.reset();
        ++m_listVersion;
    }
}

std::optional<uint64_t> CupsSpooler::printersVersion()
{
    std::lock_guard lock(m_listMutex);
    expireLocked();
    return m_listVersion;
}

std::vector<PrinterInfo> CupsSpooler::fetchPrinters(std::string* error)
{
    CupsConnection connection;
    if (!connection.connect(error))
        return {};
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(connection.http(), &dests);
    std::vector<PrinterInfo> result;
    if (count == 0 && cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE &&
        cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND) {
        if (error)
            *error = CupsConnection::lastError("cannot list the CUPS printers");
    }
    for (int i = 0; i < count; ++i)
        if (!dests[i].instance) // instances are only saved option sets of a queue
            result.push_back(infoFromDest(dests[i]));
    cupsFreeDests(count, dests);
    return result;
}

std::optional<PrinterInfo> CupsSpooler::printer(const std::string& name, std::string* error)
{
    {
        std::lock_guard lock(m_listMutex);
        expireLocked();
        if (m_kept)
            for (const PrinterInfo& info : *m_kept)
                if (::strcasecmp(info.name.c_str(), name.c_str()) == 0 && info.name.size() == name.size())
                    return info;
    }
    std::string problem;
    for (PrinterInfo& info : printers(&problem))
        if (::strcasecmp(info.name.c_str(), name.c_str()) == 0 && info.name.size() == name.size())
            return std::move(info);
    if (error)
        *error = problem.empty() ? "no CUPS printer \"" + name + "\"" : problem;
    return std::nullopt;
}

std::unique_ptr<RawJob> CupsSpooler::startRawJob(const std::string& printer, const std::string& documentName,
                                                 const std::string& dataType, std::string* error)
{
    if (!isRawDataType(dataType)) {
        if (error)
            *error = "unsupported data type \"" + dataType + "\" for a raw job";
        return nullptr;
    }
    auto connection = std::make_unique<CupsConnection>();
    if (!connection->open(printer, error))
        return nullptr;
    const int jobId = startDocument(*connection, printer, documentName, CUPS_FORMAT_RAW, 0, nullptr, error);
    if (jobId <= 0)
        return nullptr;
    return std::make_unique<CupsRawJob>(std::move(connection), printer, jobId);
}

// Sends the file open as `in` (closed here) as the started document `jobId` and finishes
// it; when that fails the job is cancelled, and `error` says why.
static bool sendDocument(CupsConnection& connection, const std::string& printer, int jobId, int in,
                         const std::string& path, const std::string& what, std::string* error)
{
    std::string problem;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            problem = files::errnoText("cannot read " + path, errno);
            break;
        }
        if (n == 0)
            break;
        if (cupsWriteRequestData(connection.http(), buffer, static_cast<size_t>(n)) != HTTP_STATUS_CONTINUE) {
            problem = CupsConnection::lastError("cannot send " + what + " to printer " + printer);
            break;
        }
    }
    ::close(in);
    if (problem.empty() && !CupsConnection::succeeded(cupsFinishDestDocument(
                               connection.http(), connection.dest(), connection.info(nullptr))))
        problem = CupsConnection::lastError("printer " + printer + " did not accept " + what);
    if (problem.empty())
        return true;
    connection.close();
    CupsRawJob::cancel(printer, jobId, nullptr);
    if (error)
        *error = problem;
    return false;
}

bool CupsSpooler::submitPdf(const std::string& printer, const std::string& documentName,
                            const std::string& pdfFilePath, const PrintOptions& options, std::string* error)
{
    if (!options.check(error))
        return false;
    const int in = files::openPdf(pdfFilePath, error);
    if (in < 0)
        return false;
    CupsConnection connection;
    if (!connection.open(printer, error)) {
        ::close(in);
        return false;
    }

    int numOptions = 0;
    cups_option_t* cupsOptions = nullptr;
    if (options.media)
        numOptions = cupsAddOption("media", options.media->c_str(), numOptions, &cupsOptions);
    if (options.orientation)
        numOptions = cupsAddIntegerOption("orientation-requested", ippOrientation(*options.orientation),
                                          numOptions, &cupsOptions);
    if (options.copies)
        numOptions = cupsAddIntegerOption("copies", *options.copies, numOptions, &cupsOptions);
    if (options.sides)
        numOptions = cupsAddOption("sides", keyword(*options.sides), numOptions, &cupsOptions);
    if (options.colorMode)
        numOptions = cupsAddOption("print-color-mode", keyword(*options.colorMode), numOptions, &cupsOptions);
    if (options.quality)
        numOptions =
            cupsAddIntegerOption("print-quality", ippQuality(*options.quality), numOptions, &cupsOptions);
    if (options.resolution) {
        const Resolution r = *options.resolution;
        const std::string text =
            (r.x == r.y ? std::to_string(r.x) : std::to_string(r.x) + "x" + std::to_string(r.y)) + "dpi";
        numOptions = cupsAddOption("printer-resolution", text.c_str(), numOptions, &cupsOptions);
        // A queue with a PPD takes its resolution from the PPD's own option, which the IPP
        // attribute does not reach: without it the pages rendered at this resolution would be
        // printed at the queue's default one. Other queues leave the option alone.
        numOptions = cupsAddOption("Resolution", text.c_str(), numOptions, &cupsOptions);
    }
    const int jobId =
        startDocument(connection, printer, documentName, CUPS_FORMAT_PDF, numOptions, cupsOptions, error);
    cupsFreeOptions(numOptions, cupsOptions);
    if (jobId <= 0) {
        ::close(in);
        return false;
    }

    return sendDocument(connection, printer, jobId, in, pdfFilePath, "the PDF document", error);
}

bool CupsSpooler::submitDocument(const std::string& printer, const std::string& documentName,
                                 const std::string& path, const std::string& mimeType, std::string* error)
{
    if (mimeType != "text/plain")
        return Spooler::submitDocument(printer, documentName, path, mimeType, error);
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        if (error)
            *error = files::errnoText("cannot open " + path, errno);
        return false;
    }
    CupsConnection connection;
    if (!connection.open(printer, error)) {
        ::close(in);
        return false;
    }
    const int jobId = startDocument(connection, printer, documentName, CUPS_FORMAT_TEXT, 0, nullptr, error);
    if (jobId <= 0) {
        ::close(in);
        return false;
    }
    return sendDocument(connection, printer, jobId, in, path, "the document", error);
}

std::optional<PrinterDefaults> CupsSpooler::defaults(const std::string& printer, std::string* error)
{
    CupsConnection connection;
    if (!connection.open(printer, error))
        return std::nullopt;
    PrinterDefaults result;
    // Each setting as text, or as an integer (enums), whichever form CUPS has it in.
    const auto textOf = [&](const char* option) -> std::string {
        ipp_attribute_t* attr = nullptr;
        std::string text = optionText(connection, option, &attr);
        if (text.empty() && attr) {
            const char* value = ippGetString(attr, 0, nullptr);
            text = value ? value : "";
        }
        return text;
    };
    const auto intOf = [&](const char* option) -> int {
        ipp_attribute_t* attr = nullptr;
        const std::string text = optionText(connection, option, &attr);
        if (!text.empty())
            return toInt(text.c_str()).value_or(0);
        return attr ? ippGetInteger(attr, 0) : 0;
    };

    if (const auto media = pwgMediaName(textOf("media").c_str()))
        result.media = *media;
    // The printable area of that media: the margins the printer reports for it. A printer that
    // reports none keeps the common default, so nothing falls into an edge it cannot print.
    if (cups_dinfo_t* info = connection.info(nullptr)) {
        cups_size_t size{};
        if (cupsGetDestMediaByName(connection.http(), connection.dest(), info, result.media.c_str(),
                                   CUPS_MEDIA_FLAGS_DEFAULT, &size) == 1) {
            const auto margin = [](int value) { return std::clamp(value, 0, kMaxMargin); };
            result.margins =
                Margins{margin(size.left), margin(size.top), margin(size.right), margin(size.bottom)};
        }
    }
    if (const auto v = fromIppOrientation(intOf("orientation-requested")))
        result.orientation = *v;
    if (const int copies = intOf("copies"); copies >= 1 && copies <= kMaxCopies)
        result.copies = copies;
    if (const auto v = parseSides(textOf("sides")))
        result.sides = *v;
    if (const auto v = fromIppColorMode(textOf("print-color-mode")))
        result.colorMode = *v;
    if (const auto v = fromIppQuality(intOf("print-quality")))
        result.quality = *v;

    ipp_attribute_t* attr = nullptr;
    const std::string text = optionText(connection, "printer-resolution", &attr);
    if (!text.empty()) {
        if (const auto r = fromResolutionText(text))
            result.resolution = *r;
    } else if (attr && ippGetValueTag(attr) == IPP_TAG_RESOLUTION) {
        int y = 0;
        ipp_res_t units = IPP_RES_PER_INCH;
        const int x = ippGetResolution(attr, 0, &y, &units);
        const std::string unit = units == IPP_RES_PER_CM ? "dpcm" : "dpi";
        if (const auto r = fromResolutionText(std::to_string(x) + "x" + std::to_string(y) + unit))
            result.resolution = *r;
    }
    return result;
}

std::optional<PrinterChoices> CupsSpooler::choices(const std::string& printer, std::string* error)
{
    CupsConnection connection;
    if (!connection.open(printer, error))
        return std::nullopt;
    PrinterChoices result;
    cups_dinfo_t* info = connection.info(nullptr);
    if (!info)
        return result;
    // A printer reports a few dozen at most; the bound keeps a strange one from filling the
    // dialog.
    constexpr int kMaxChoices = 200;
    if (ipp_attribute_t* media = cupsFindDestSupported(connection.http(), connection.dest(), info, "media")) {
        for (int i = 0, n = std::min(ippGetCount(media), kMaxChoices); i < n; ++i) {
            const char* name = ippGetString(media, i, nullptr);
            // "custom_min_..." and "custom_max_..." are the ends of a range, not papers.
            if (!name || std::string_view(name).starts_with("custom_"))
                continue;
            if (const auto pwg = pwgMediaName(name);
                pwg && std::find(result.media.begin(), result.media.end(), *pwg) == result.media.end())
                result.media.push_back(*pwg);
        }
    }
    if (ipp_attribute_t* res =
            cupsFindDestSupported(connection.http(), connection.dest(), info, "printer-resolution");
        res && ippGetValueTag(res) == IPP_TAG_RESOLUTION) {
        for (int i = 0, n = std::min(ippGetCount(res), kMaxChoices); i < n; ++i) {
            int y = 0;
            ipp_res_t units = IPP_RES_PER_INCH;
            const int x = ippGetResolution(res, i, &y, &units);
            const std::string unit = units == IPP_RES_PER_CM ? "dpcm" : "dpi";
            if (const auto r = fromResolutionText(std::to_string(x) + "x" + std::to_string(y) + unit);
                r && std::find(result.resolutions.begin(), result.resolutions.end(), *r) ==
                         result.resolutions.end())
                result.resolutions.push_back(*r);
        }
    }
    return result;
}

bool CupsSpooler::saveDefaults(const std::string& printer, const PrinterDefaults&, std::string* error)
{
    if (error)
        *error = "the CUPS spooler keeps the defaults of printer " + printer +
                 " itself; change them with the CUPS tools (lpadmin)";
    return false;
}

} // namespace platform::spooler
