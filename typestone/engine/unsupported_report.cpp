#include "typestone/engine/unsupported_report.h"

#include "platform/text/sprintf.h"

namespace typestone {

std::string UnsupportedTraceLine(const UnsupportedCommandReport& report)
{
    return platform::text::sprintf("\nERROR----\n%s\n%s\n-------\n", report.title, report.message);
}

std::string UnsupportedDialogText(const UnsupportedCommandReport& report, const std::string& versionLine,
                                  bool extendedDebug, const std::string& versionFormat)
{
    std::string text = versionLine;
    text += "\n\n";
    if (extendedDebug) {
        text += report.title;
        text += "\n";
    }
    text += report.message;
    if (report.required != 0 && report.required > report.supported) {
        text += "\n\n";
        text += platform::text::sprintf(versionFormat.empty() ? kCommandVersionText : versionFormat.c_str(),
                                        report.required / 100u, report.required % 100u,
                                        report.supported / 100u, report.supported % 100u);
    }
    return text;
}

} // namespace typestone
