#pragma once
// Hex dumps of memory blocks and whole files for diagnostics.

#include "klv_inet/support/klv_export.h"

#include <cstddef>
#include <string>

// Appends a hex dump of `length` bytes to *out: a dashed title line, a column header, rows of
// "0x" and the eight-digit offset, four groups of four bytes, two tabs and the row's
// characters in single quotes, and a closing dashed line. `separator` is usually "\n".
// Returns out's text, NULL for a NULL out.
KLV_EXPORT const char* DbgBinDumper(std::string* out, const char* title, const void* bytes, size_t length,
                                    const char* separator);

// Writes a hex dump of the whole source file to the target file, showing progress in a
// cancellable dialog. Returns the number of bytes dumped, 0 on failure (told in a box).
KLV_EXPORT unsigned long long FileBinDumper(const char* source, const char* target);
// The same; the target is *target when given and not empty, else a new "kdr" file in the
// per-session temporary folder, whose name *target receives on success.
KLV_EXPORT unsigned long long FileBinDumper(const char* source, std::string* target);
