#include "typestone/engine/error_text.h"

#include "typestone/engine/job_strings.h"
#include "typestone/engine/win_prt.h"

#include "platform/text/sprintf.h"

namespace typestone {

namespace {

struct CodeText
{
    int code;
    unsigned id;
    const char* fallback;
};

constexpr CodeText kCodeTexts[] = {
    {kErrCommand, kStrCommandFailed, kCommandFailedText},
    {kSpError, kStrSpError, kSpErrorText},
    {kSpAppAbort, kStrSpAppAbort, kSpAppAbortText},
    {kSpUserAbort, kStrSpUserAbort, kSpUserAbortText},
    {kSpOutOfDisk, kStrSpOutOfDisk, kSpOutOfDiskText},
    {kSpOutOfMemory, kStrSpOutOfMemory, kSpOutOfMemoryText},
};

} // namespace

std::string ErrorText(int code, const std::string& message, const StringSource& strings)
{
    if (code == 0)
        return message;
    for (const CodeText& entry : kCodeTexts) {
        if (entry.code != code)
            continue;
        std::string text = strings(entry.id, entry.fallback);
        if (!message.empty())
            text += "\n" + message;
        if (code == kErrCommand)
            text += "\n" + strings(kStrOkToAbort, kOkToAbortText);
        return text;
    }
    // The format may be the program's own: the text is built whatever it holds, never read
    // past the arguments given (the formatter checks them).
    return platform::text::sprintf(strings(kStrErrorTrying, kErrorTryingText).c_str(), code,
                                   static_cast<unsigned>(code) & 0xFFFFu, message);
}

} // namespace typestone
