#pragma once
// File-type tests on names, and the host's file-name syntax.

#include "klv_inet/support/klv_export.h"

// 1 when the extension of the file name in `path` equals `ext` (with its dot) without regard to
// case. The name is what follows the last '\' or '/'; a host drive suffix (":a") is cut off.
KLV_EXPORT int IsFileExt(const char* path, const char* ext);
KLV_EXPORT int IsBMP(const char* path);
KLV_EXPORT int IsJPG(const char* path);

// 1 when `name` is in the host's syntax: no backslash, and either no ':' or a ':' followed by
// exactly one final character (the host drive: "name.ext:a").
KLV_EXPORT int IsVALDORPath(const char* name);
