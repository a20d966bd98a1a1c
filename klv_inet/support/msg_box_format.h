#pragma once
// Message-box types and answers with the numbers callers and stored traces use, and their
// names in trace texts.

#include "klv_inet/support/klv_export.h"

#include <string>
#include <vector>

namespace klv::mb {

// Button sets (type & 15).
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kOkCancel = 0x1;
inline constexpr unsigned kAbortRetryIgnore = 0x2;
inline constexpr unsigned kYesNoCancel = 0x3;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kRetryCancel = 0x5;
// Icons and default buttons.
inline constexpr unsigned kIconError = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr unsigned kDefButton1 = 0x000;
inline constexpr unsigned kDefButton2 = 0x100;
inline constexpr unsigned kDefButton3 = 0x200;
inline constexpr unsigned kDefButton4 = 0x300;

// Answers.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdIgnore = 5;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
inline constexpr int kIdClose = 8;
inline constexpr int kIdHelp = 9;

// The buttons of the type's set in button order (an unknown set has OK only).
KLV_EXPORT std::vector<int> buttonsOf(unsigned type);
// "OK", "OK_CANCEL", ... or "Unknown".
KLV_EXPORT const char* buttonSetName(unsigned type);
// "OK", "CANCEL", ... or "Unknown".
KLV_EXPORT const char* answerName(int answer);
// The default button's number n ((type >> 8 & 15) + 1) and the answer it gives: the n-th
// button of the set, the last one when n exceeds their number.
KLV_EXPORT int defaultAnswer(unsigned type, unsigned* buttonNumber = nullptr);

} // namespace klv::mb

// *out = "0x%08x - %s" of the type and the name of its button set; returns its text, NULL for
// a NULL out.
KLV_EXPORT const char* FormatMsgButtons(std::string* out, unsigned type);
// *out = "0x%08x - %s" of the answer and its name; returns its text, NULL for a NULL out.
KLV_EXPORT const char* FormatMsgAnswer(std::string* out, int answer);
