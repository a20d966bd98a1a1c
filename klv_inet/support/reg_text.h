#pragma once
// Registry text files in the registry editor's layout ("REGEDIT4", then "[ROOT\key]" sections
// of "\"name\"=\"text\"", "\"name\"=dword:0000001f" and "\"name\"=hex:01,ff" lines, CR LF line
// ends), and the one-time copy of the old brand branch.
//
// Pattern lists are arrays of names ended by a null or empty entry; a null list means no
// filter. A pattern matches the last part of a key name (after its last '\') without regard to
// case; one '*' stands for any text in between ("Prt*").

#include "klv_inet/support/klv_export.h"

#include "platform/settings/settings_store.h"

// Imports every section of `file` (after the include and exclude lists) into the store.
// Returns 1 when every imported section was read and all its lines were understood (also for
// an empty file); 0 for a null name, a missing or unreadable file, a section naming an unknown
// root, a line with an unknown data type, or a value the store did not keep (a name or key
// beyond its limits, a store failure). The last argument has no effect.
KLV_EXPORT int LoadRegKey(const char* file, const char* const* exclude, const char* const* include,
                          void* unused = nullptr);

// 1 when some section name of `file` matches (wanted 1) or does not match (wanted 0) the list.
KLV_EXPORT int FindOneSection(const char* file, const char* const* patterns, int wanted);

// Writes `key` and the values of its direct subkeys (after the lists) to `file`, replacing it.
// Returns 1 on success, 0 when the key is missing, the file cannot be written or a key name or
// a value holds a line break that the layout cannot carry. The fifth argument has no effect.
KLV_EXPORT int SaveRegKey(const char* key, const char* file, const char* const* exclude,
                          const char* const* include, void* unused = nullptr,
                          platform::RegRoot root = platform::RegRoot::Users);

// Copies the values of the subkeys of CurrentUser "Software\PLM\<app>" to "Software\KLV\<app>".
// Returns 1 after copying, 0 when the old branch is missing.
KLV_EXPORT int ChangePLM4KLV(const char* app, int unused = 0);
