#pragma once
// The PC's national keyboard as a two-letter code (US, SP, FR, ...). The host file transfer
// picks its character tables by whether the code contains "SP"; the web update sends it as the
// user's country and offers products by it.
//
// The code comes from the keyboard provider (kbd_provider.h): by default the active layout
// that the setting names, else the layouts the system is configured with (XKB), the Spanish,
// French and Portuguese keyboards preferred in that order.

#include "klv_inet/support/klv_export.h"

#include <string>
#include <string_view>
#include <vector>

// The preferred codes, in their order of preference.
inline constexpr const char* kKbdPreferred[] = {"SP", "FR", "PO"};

// out = the code of the PC keyboard (the current provider's). With both `ask` and `debug`
// set, CKbdDlg lets a developer pick another code; Cancel, no answer or a time-out keep it.
KLV_EXPORT void GetKbd(std::string& out, int ask, int debug);

// The code from the system's installed layouts (the provider's choice is not asked).
KLV_EXPORT std::string GetPCKeyboard();
// The code from these layouts, in their order: the first preferred code among them wins
// (SP before FR before PO, whatever their order), else the code of the last one; no layout at
// all gives "SP". An empty code, "DV" or "USX" is "US".
KLV_EXPORT std::string GetPCKeyboard(const std::vector<std::string>& layouts);

// The code of one XKB layout name ("es", "de(nodeadkeys)"): the keyboards of the code table
// by their layout (us US, gb UK, es SP, de GR, fr FR, it IT, pt PO, latam LA, be BE, ca CF,
// ch SG); any other name upper-cased, cut at its first '.', and after "KBD" when it holds
// that (so the name of a keyboard driver file gives its code).
KLV_EXPORT std::string WhatKbd(std::string_view layout);

// The new best place among the preferred codes: a best place of 0 stays; a preferred code
// whose place is before `best` (or any, when `best` is negative) gives its place.
KLV_EXPORT int AnyProtected(int best, std::string_view code);

// US 0, UK 1, FR 2, GR 3, IT 4, SP 5, SG 6, LA 7, CF 8, BE 9, without regard to case; any
// other, an empty or a null code 0.
KLV_EXPORT int KbdName2Nr(const char* code);

// KbdName2Nr of GetKbd; with a trace, "\nKbd='%s'- nr=%d" is appended to it.
KLV_EXPORT int GetClassNr(std::string* trace, int ask, int debug);

// 1 when GetKbd (without the dialog) gives SP, FR or PO, without regard to case.
KLV_EXPORT int AllowVimoByDefault();
