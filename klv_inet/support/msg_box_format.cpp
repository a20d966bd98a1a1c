#include "klv_inet/support/msg_box_format.h"

#include "platform/text/sprintf.h"
#include <cstdio>

namespace klv::mb {

const char* buttonSetName(unsigned type)
{
    static const char* const names[] = {"OK",     "OK_CANCEL",   "ABORT_RETRY_IGNORE", "YES_NO_CANCEL",
                                        "YES_NO", "RETRY_CANCEL"};
    const unsigned set = type & 15;
    return set < 6 ? names[set] : "Unknown";
}

const char* answerName(int answer)
{
    static const char* const names[] = {"OK",  "CANCEL", "ABORT", "RETRY", "IGNORE",
                                        "YES", "NO",     "CLOSE", "HELP"};
    return answer >= 1 && answer <= 9 ? names[answer - 1] : "Unknown";
}

int defaultAnswer(unsigned type, unsigned* buttonNumber)
{
    if (buttonNumber)
        *buttonNumber = ((type >> 8) & 15) + 1;
    return platform::ui::defaultAnswer(type);
}

} // namespace klv::mb

namespace {

const char* formatNamed(std::string* out, unsigned value, const char* name)
{
    if (!out)
        return nullptr;
    *out = platform::text::sprintf("0x%08x - %s", value, name);
    return out->c_str();
}

} // namespace

const char* FormatMsgButtons(std::string* out, unsigned type)
{
    return formatNamed(out, type, klv::mb::buttonSetName(type));
}

const char* FormatMsgAnswer(std::string* out, int answer)
{
    return formatNamed(out, static_cast<unsigned>(answer), klv::mb::answerName(answer));
}
