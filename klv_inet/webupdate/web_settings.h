#pragma once
// Where the web update asks: the update root (the folder URL that holds "update.txt") and the
// form-posting URL. Both are empty by default, and the update stays off until both are given:
// the values "Update Root" and "Posting URL" of the application's section "Updates", each
// overridden by the environment (TYPESTONE_UPDATE_ROOT, TYPESTONE_POSTING_URL) when set there.

#include "klv_inet/support/klv_export.h"

#include <string>

namespace klv {

struct KLV_EXPORT WebUpdateSettings
{
    std::string updateRoot; // ends with '/' once loaded
    std::string postingUrl;

    bool configured() const { return !updateRoot.empty() && !postingUrl.empty(); }
    static WebUpdateSettings load(const char* app);
};

// The keyboard code the update file's country and language rules compare with: the one set
// with setUpdateKeyboardCode, else the machine's PC keyboard code (GetKbd).
KLV_EXPORT std::string updateKeyboardCode();
KLV_EXPORT void setUpdateKeyboardCode(const char* code); // null or empty: the machine's code

} // namespace klv
