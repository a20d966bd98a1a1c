#pragma once
// Product entries and versions (".DEFAULT\Software\KLV\Products\<branch>\<product>"), and
// the release notes offered after an upgrade.

#include "klv_inet/support/klv_export.h"

#include <cstdint>
#include <string>

KLV_EXPORT void SavePLMProductEntry(const char* name, const char* text, const char* product,
                                    const char* branch);

// out = the stored text (at most 259 characters), empty when missing. Returns out.
KLV_EXPORT std::string& LoadPLMProductEntry(const char* name, std::string& out, const char* product,
                                            const char* branch);

// "Version" = the version in hundredths as decimal text.
KLV_EXPORT void SavePLMProductVersion(const char* product, uint32_t version, const char* branch);

// The stored version (decimal, or 0x.. hexadecimal, or 0.. octal); 0 when missing.
KLV_EXPORT uint32_t LoadPLMProductVersion(const char* product, const char* branch);

// Called once at start-up with the program's own version. A changed version marks the
// product's update as complete; a higher one is stored and, when a notes file is named, the
// user is asked (with a time-out, so a service never waits) whether to read the notes.
KLV_EXPORT void SaveVersion(uint32_t version, const char* product, const char* notesFile, const char* branch);

// Opens the notes document: a name with a '/' as it is, else from the program's data folder.
KLV_EXPORT void ShowVersionNotes(const char* notesFile);
