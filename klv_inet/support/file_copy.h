#pragma once
// Copying and comparing files, with progress shown through a CopyProgress.

#include "klv_inet/support/klv_export.h"

namespace klv {
class CopyProgress;
}

// What AuxCopyFile does when the target exists (low three bits of the flags); any other
// value replaces it.
inline constexpr unsigned _COPY_SKIP = 1;
inline constexpr unsigned _COPY_PROMPT = 2;
// Show error and skip messages in the library's message box.
inline constexpr unsigned _COPY_SHOWMSG = 0x80;

// Copies `source` (which must exist and not be empty) to `target`. The bytes go to a temporary
// file beside the target that replaces it only when every byte arrived, so a failed or
// cancelled copy leaves the old target (or none) in place. A source and target that are the
// same file are refused. Returns 1 when the whole source was copied.
KLV_EXPORT int AuxCopyFile(const char* source, const char* target, klv::CopyProgress* progress,
                           unsigned flags);

// 1 when both files exist, are not empty and hold the same bytes; 0 otherwise, also when the
// comparison was cancelled through `progress`.
KLV_EXPORT int CmpFiles(const char* a, const char* b, klv::CopyProgress* progress = nullptr);
