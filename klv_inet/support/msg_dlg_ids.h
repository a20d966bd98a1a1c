#pragma once
// Control, template and command numbers of the message dialog. Other parts of the programs and
// TypestoneUI refer to the controls by these numbers (the views use them as object names).

namespace klv::msgdlg {

// Templates.
inline constexpr unsigned kTemplateGeneric = 158;
inline constexpr unsigned kTemplateJobProgress = 1003;
inline constexpr unsigned kTemplateFileCopy = 30732;
inline constexpr unsigned kTemplateUpdateSearch = 30736;
inline constexpr unsigned kTemplateProgressStrip = 30737;

// Controls.
inline constexpr int kFrame = -1;
inline constexpr int kOkButton = 1;
inline constexpr int kCancel = 2;
inline constexpr int kContinue = 3;
inline constexpr int kHide = 1000;
inline constexpr int kMax = 1001;
inline constexpr int kLevelLabel = 1047;
inline constexpr int kLine0 = 1117; // line n is kLine0 + n, n from 0 to 5
inline constexpr int kLineCount = 6;
inline constexpr int kPage = 1122;
inline constexpr int kBar1 = 1212;
inline constexpr int kBar2 = 1213; // the second bar, or the animation of the file-copy dialog
inline constexpr int kSeparator = -2;

// The clock's timer.
inline constexpr unsigned kClockTimer = 10;

// System-menu commands (the low four bits are cleared before they are compared).
inline constexpr unsigned kSysMinimize = 0xF020;
inline constexpr unsigned kSysMaximize = 0xF030;
inline constexpr unsigned kSysClose = 0xF060;
inline constexpr unsigned kSysRestore = 0xF120;

// The library's own animation clip.
inline constexpr unsigned kLibraryClip = 230;

} // namespace klv::msgdlg
