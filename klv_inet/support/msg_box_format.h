#pragma once
// Message-box types and answers with the numbers callers and stored traces use, and their
// names in trace texts.

#include "klv_inet/support/klv_export.h"

#include "platform/ui/message_box.h"

#include <string>

namespace klv::mb {

// The box styles and answers are the platform's (the Windows numbers); the library's traces
// also name these two answers, which no box of ours offers.
inline constexpr int kIdClose = 8;
inline constexpr int kIdHelp = 9;

// "OK", "OK_CANCEL", ... or "Unknown".
KLV_EXPORT const char* buttonSetName(unsigned type);
// "OK", "CANCEL", ... or "Unknown".
KLV_EXPORT const char* answerName(int answer);
// The default button's number n ((type >> 8 & 15) + 1) and the answer it gives
// (platform::ui::defaultAnswer: the n-th button of the set, the last one when n exceeds them).
KLV_EXPORT int defaultAnswer(unsigned type, unsigned* buttonNumber = nullptr);

} // namespace klv::mb

// *out = "0x%08x - %s" of the type and the name of its button set; returns its text, NULL for
// a NULL out.
KLV_EXPORT const char* FormatMsgButtons(std::string* out, unsigned type);
// *out = "0x%08x - %s" of the answer and its name; returns its text, NULL for a NULL out.
KLV_EXPORT const char* FormatMsgAnswer(std::string* out, int answer);
