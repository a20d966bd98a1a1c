#pragma once
// The library's message boxes: timed boxes that fall back to their default answer, boxes by
// string id, a readable trace text of each box, the library's string loading with a box when a
// string is missing, and error texts.
//
// Boxes go through the platform user-interface bridge (widgets on the desktop, TypestoneUI or
// the default answer in service mode). Each call keeps its own state, so boxes of several
// threads never mix their texts or traces.

#include "klv_inet/support/klv_export.h"

#include <string>

// The trace writer a caller passes to have each box's trace text written to its own file. It
// is called as callback("%s", trace).
using MsgBoxTraceFn = void (*)(const char* format, ...);

// The timed box: shows `text`, waits at most `timeoutMs` (0: no time-out of its own) and
// answers the default button when it times out.
KLV_EXPORT int PLM_TimedMsgBox(const char* text, unsigned type, unsigned helpId, unsigned timeoutMs);
// The same with the string `stringId` of the current resources (with `withApp` the string is
// a format taking the application name). -1 when the string is missing or empty.
KLV_EXPORT int PLM_TimedMsgBox(unsigned stringId, unsigned type, unsigned helpId, int withApp,
                               unsigned timeoutMs);

// The timed box with the box time-out of SetMsgBoxTimer.
KLV_EXPORT int PLM_MessageBox(const char* text, unsigned type, unsigned helpId);
KLV_EXPORT int PLM_MessageBox(unsigned stringId, unsigned type, unsigned helpId, int withApp);
KLV_EXPORT int DLL_MessageBox(const char* text, unsigned type, unsigned helpId);
// PLM_MessageBox by string id, with the string taken from the library's own table.
KLV_EXPORT int DLL_MessageBox(unsigned stringId, unsigned type, unsigned helpId, int withApp);

// PLM_MessageBox, then `trace` (when not NULL) is called once with the box's trace text.
KLV_EXPORT int TRACED_MessageBox(MsgBoxTraceFn trace, const char* text, unsigned type, unsigned helpId);
KLV_EXPORT int TRACED_MessageBox(MsgBoxTraceFn trace, unsigned stringId, unsigned type, unsigned helpId,
                                 int withApp);

// The trace text of the calling thread's last box.
KLV_EXPORT std::string GetMsgBox_Traces();

// The box time-out in seconds (0: boxes wait for the user, bounded in service mode by the
// bridge).
KLV_EXPORT void SetMsgBoxTimer(unsigned seconds);
KLV_EXPORT unsigned GetMsgBoxTimer();

// Loads string `id` of the library's own table into out; a missing string is reported by the
// missing-resource box. Returns non-zero on success.
KLV_EXPORT int DLL_LoadString(unsigned id, std::string& out);

// The missing-resource box: message 50000 (string) or 50001 (dialog) with the resource id and
// the module that lacks it. Returns its answer, 1 when the message itself cannot be loaded.
KLV_EXPORT int DLL_ResNotFound_ErrorMsgBox(unsigned messageId, unsigned resourceId, unsigned type);

// Formats `error` (an errno value): text and a line feed when given, the system's description
// and " - dwError=0x%08x (%u)". With show it is shown in an information box; with out it is
// appended to *out. Nothing is done for error 0. Returns the error.
KLV_EXPORT unsigned ShowLastError(unsigned error, const char* text, int show, int network, std::string* out);
// The same for the calling thread's last error (errno).
KLV_EXPORT unsigned ShowLastError(const char* text, int show, int network, std::string* out);

namespace klv {

// Where strings by id come from: the application's table or the library's own. The current
// choice is per thread; ResourceScope switches it for the life of the scope.
enum class ResourceModule
{
    Application,
    Library,
};

class KLV_EXPORT ResourceScope
{
public:
    explicit ResourceScope(ResourceModule module);
    ~ResourceScope();
    ResourceScope(const ResourceScope&) = delete;
    ResourceScope& operator=(const ResourceScope&) = delete;

private:
    ResourceModule m_previous;
};

KLV_EXPORT ResourceModule currentResourceModule();

// The application's strings by id: returns true and sets *out when the table has the string.
using StringLookup = bool (*)(unsigned id, std::string* out);
KLV_EXPORT void setApplicationStrings(StringLookup lookup);

// A string of the current resources; false when missing.
KLV_EXPORT bool loadCurrentString(unsigned id, std::string* out);

} // namespace klv
