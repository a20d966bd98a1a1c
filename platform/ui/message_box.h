#pragma once
// Message-box styles and answers.
//
// The numbers are the ones Windows uses, so a style or an answer can cross a process boundary
// (a datagram to the companion program, a host's request) without translation. A style is the
// OR of one button set (low four bits), one icon (next four bits), one default button (next
// four bits) and any further flags, which are kept as given.

#include <cstdint>
#include <span>

namespace platform::ui {

// Button sets (style & kMbTypeMask).
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbOkCancel = 0x1;
inline constexpr std::uint32_t kMbAbortRetryIgnore = 0x2;
inline constexpr std::uint32_t kMbYesNoCancel = 0x3;
inline constexpr std::uint32_t kMbYesNo = 0x4;
inline constexpr std::uint32_t kMbRetryCancel = 0x5;
inline constexpr std::uint32_t kMbTypeMask = 0x0F;

// Icons (style & kMbIconMask).
inline constexpr std::uint32_t kMbIconHand = 0x10;
inline constexpr std::uint32_t kMbIconStop = kMbIconHand;
inline constexpr std::uint32_t kMbIconError = kMbIconHand;
inline constexpr std::uint32_t kMbIconQuestion = 0x20;
inline constexpr std::uint32_t kMbIconExclamation = 0x30;
inline constexpr std::uint32_t kMbIconWarning = kMbIconExclamation;
inline constexpr std::uint32_t kMbIconAsterisk = 0x40;
inline constexpr std::uint32_t kMbIconInformation = kMbIconAsterisk;
inline constexpr std::uint32_t kMbIconMask = 0xF0;

// Default button (style & kMbDefMask): the first, second or third button of the set.
inline constexpr std::uint32_t kMbDefButton1 = 0x000;
inline constexpr std::uint32_t kMbDefButton2 = 0x100;
inline constexpr std::uint32_t kMbDefButton3 = 0x200;
inline constexpr std::uint32_t kMbDefMask = 0xF00;

// Further flags, passed on unchanged.
inline constexpr std::uint32_t kMbSystemModal = 0x1000;
inline constexpr std::uint32_t kMbSetForeground = 0x10000;
inline constexpr std::uint32_t kMbTopmost = 0x40000;
inline constexpr std::uint32_t kMbServiceNotification = 0x200000;

// Answers.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdIgnore = 5;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
// Nobody answered before the request's time-out (or the bridge's own bound) ran out. It is no
// button of any set; a caller that wants "the default button" on a time-out maps it with
// defaultAnswer().
inline constexpr int kIdTimeout = 32000;

// The answers of the style's buttons in the order they are shown. A button set outside
// 0..5 shows a single OK button, as a box with an unknown set would.
std::span<const int> buttonAnswers(std::uint32_t style);

// The answer of the style's default button. A default button beyond the set's buttons
// (kMbDefButton3 on a two-button set, or 0x300 and up) falls back to the last button,
// as a timed box does (OK/Cancel with default button 3 answers Cancel).
int defaultAnswer(std::uint32_t style);

} // namespace platform::ui
