#include "typestone/engine/field_text.h"

#include "platform/charset/cp1252.h"
#include "platform/sysinfo/local_time.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace typestone {

namespace {

constexpr size_t kMaxWidthDigits = 3;

// Cut to the field's room, saying so in `note`.
void fitRoom(FieldOutcome& f)
{
    if (f.text.size() < kFieldRoom)
        return;
    if (!f.note.empty())
        f.note += "; ";
    f.note += "field of " + std::to_string(f.text.size()) + " bytes cut to " + std::to_string(kFieldRoom - 1);
    f.text.resize(kFieldRoom - 1);
}

bool isAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::vector<std::string> DefaultFieldVariables()
{
    return {"USER", "LOGNAME", "HOSTNAME", "LANG", "TZ"};
}

bool FormatPageNumber(std::string_view format, unsigned page, std::string* out)
{
    std::string text;
    bool converted = false;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            text += format[i];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            text += '%';
            ++i;
            continue;
        }
        if (converted)
            return false;
        std::string printfFormat = "%";
        size_t j = i + 1;
        while (j < format.size() && std::string_view("-+ #0").find(format[j]) != std::string_view::npos)
            printfFormat += format[j++];
        size_t digits = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9') {
            if (++digits > kMaxWidthDigits)
                return false;
            printfFormat += format[j++];
        }
        if (j >= format.size() || std::string_view("diuxXo").find(format[j]) == std::string_view::npos)
            return false;
        const char conversion = format[j];
        printfFormat += conversion;
        // The format handed to snprintf is rebuilt here from the checked flags, width (at most
        // three digits) and conversion, never the host's text itself; 999 wide fits the buffer.
        char number[1024];
        const int n = (conversion == 'd' || conversion == 'i')
                          ? std::snprintf(number, sizeof number, printfFormat.c_str(), static_cast<int>(page))
                          : std::snprintf(number, sizeof number, printfFormat.c_str(), page);
        if (n < 0)
            return false;
        text.append(number, std::min(static_cast<size_t>(n), sizeof number - 1));
        converted = true;
        i = j;
    }
    if (!converted)
        return false;
    *out = std::move(text);
    return true;
}

FieldOutcome FormField(uint16_t type, std::string_view format, unsigned page, const FieldSources& sources)
{
    FieldOutcome f;
    const DateLanguage language = sources.language ? *sources.language : SystemDateLanguage();
    switch (type) {
    case kFieldPage:
        if (format.empty()) {
            f.text = std::to_string(page);
        } else if (!FormatPageNumber(format, page, &f.text)) {
            // A format that asks for anything but one number is printed as it stands.
            f.text = std::string(format);
            f.note = "format is not one integer conversion: printed as it stands";
        }
        f.ok = true;
        break;
    case kFieldDate:
    case kFieldTime: {
        const LocalTime now = sources.clock ? sources.clock() : platform::sysinfo::localNow();
        if (type == kFieldDate)
            f.text = FormatDatePicture(now, format.empty() ? ShortDatePicture(language) : format, language);
        else
            f.text = FormatTimePicture(now, format.empty() ? TimePicture(language) : format, language);
        f.ok = true;
        break;
    }
    case kFieldVariable: {
        const std::string name(format);
        if (name.empty()) {
            f.note = "no variable name";
            return f;
        }
        if (std::find(sources.variables.begin(), sources.variables.end(), name) == sources.variables.end()) {
            f.note = "variable '" + name + "' is not one the settings allow: nothing inserted";
            f.ok = true;
            return f;
        }
        const char* value = std::getenv(name.c_str());
        if (value == nullptr) {
            f.note = "variable '" + name + "' is not set";
            return f;
        }
        // The environment speaks UTF-8; the page speaks ANSI. A value that is not UTF-8, or
        // holds what ANSI lacks, goes as it is.
        f.text = value;
        std::string ansi;
        if (!isAscii(f.text) && platform::charset::utf8ToCp1252(f.text, &ansi))
            f.text = std::move(ansi);
        f.ok = true;
        break;
    }
    default:
        f.note = "unknown field type " + std::to_string(type);
        return f;
    }
    fitRoom(f);
    return f;
}

} // namespace typestone
