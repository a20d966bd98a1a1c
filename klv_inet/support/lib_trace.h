#pragma once
// The library's own diagnostic kit: a trace file the application names, a debug switch decided
// once per process (by the application or by asking the user), debug message boxes gated by
// it, and a one-line description of a framework object.

#include "klv_inet/support/klv_export.h"

#include <cstdarg>
#include <string>

class QObject;

// A non-empty name becomes the trace file name and switches tracing on; NULL or empty switches
// tracing off and keeps the old name.
KLV_EXPORT void _SetTrzName(const char* fileName);
KLV_EXPORT void SetTrzName(const std::string* fileName);

// Appends one entry to `fileName`: "\n[<time stamp>][Thread=<tag>]" and the formatted text
// without the format's leading line feeds. Nothing happens while tracing is off, for an empty
// name or format, or when the file cannot be opened.
KLV_EXPORT void DbgTracer(const char* fileName, const char* format, va_list args);
// The same on the library's trace file.
KLV_EXPORT void DbgTracer(const char* format, ...) __attribute__((format(printf, 1, 2)));

// out = the per-session temporary folder (with its '/') followed by `fileName`; returns out.
KLV_EXPORT std::string& FormTypstTrzFname(std::string& out, const char* fileName);

// The debug switch; asks once ("Enable debugging messages ?", default No, time-out from the
// environment variable "KDR_TIMER" in ms) while undecided.
KLV_EXPORT int GetDbgTracesEnabled();
// Decides the switch without asking; returns the previous value.
KLV_EXPORT int SetDbgTracesEnabled(int on);

// The formatted text in a plain OK box, whatever the debug switch says.
KLV_EXPORT void DbgMessageBox(const char* format, ...) __attribute__((format(printf, 1, 2)));
// With debug enabled the box and its answer; otherwise no box and IDNO when the type has the
// second button as default, else IDYES.
KLV_EXPORT int DbgYesNoMsgBox(const char* text, unsigned type, unsigned helpId);
// DbgMessageBox only while debug is enabled and `show` is not 0.
KLV_EXPORT void ExtDbgMessageBox(int show, const char* format, ...) __attribute__((format(printf, 2, 3)));

// *out = " = <address> - " of the object, then for a non-NULL object its class name and
// "->" with each base class name up to the root. Returns out's text, NULL for a NULL out.
KLV_EXPORT const char* DumpCObject(std::string* out, const QObject* object);

// The library's module identity: the same address for the life of the process, distinct from
// that of any application.
KLV_EXPORT const void* DLL_GetInstance();

namespace klv {
// Forgets the trace name and the debug decision (for tests).
KLV_EXPORT void resetLibraryTrace();
} // namespace klv
