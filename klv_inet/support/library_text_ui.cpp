// The library's strings and message box.
//
// Messages go through the user-interface bridge with a time-out, so a service never waits
// for a person: a question nobody answers counts as unanswered (0) and takes the safe branch
// (no replace, no notes).
#include "klv_inet/support/library_text.h"

#include "klv_inet/support/app_name.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

namespace klv {
namespace {

struct Entry
{
    unsigned id;
    const char* text;
};

constexpr Entry kEnglish[] = {
    {469, "File '%s' already exists. OK to replace '%s' with '%s' ?"},
    {470, "Error: source file '%s' does not exist."},
    {471, "Error: '%s' cannot be copied onto itself."},
    {472, "'%s' already exists. Skips copy because _COPY_SKIP was requested."},
    {473, "Error %u trying to open '%s"},
    {474, "Error %u trying to Write '%s'"},
    {572, "Error. The specified Windows file '%s' containing the image to display or print was not found."},
    {573,
     "'%s' is a relative path that was converted to '%s'. Using relative paths for specifying Windows-local "
     "files is completely DISCOUREGED because it fully depends on the current working directory in Windows, "
     "that is variable."},
    {4054, "Welcome to '%s' version %u.%02u.\n\nDo you want to view the release notes for this version ?"},
};

} // namespace

std::string libraryString(unsigned id)
{
    for (const auto& e : kEnglish)
        if (e.id == id)
            return e.text;
    return {};
}

int libraryMessage(const std::string& text, unsigned style)
{
    platform::ui::MessageBoxRequest request;
    request.text = text;
    request.caption = GetAppName();
    request.style = style;
    request.timeoutMs = kMessageTimeoutMs;
    const int answer = platform::ui::bridge().messageBox(request);
    return answer == platform::ui::kIdTimeout ? 0 : answer;
}

} // namespace klv
