#pragma once
// The program's strings a job shows, with the English text used when the program has none.

namespace typestone {

inline constexpr unsigned kStrAbortJob = 501;
inline constexpr const char* kAbortJobText =
    "OK to abort the print job '%s' currently printing on the '%s' printer ?";
inline constexpr unsigned kStrPrintingLines = 3007;
inline constexpr const char* kPrintingLinesText = "Printing %s lines of file '%s' from line %u";
inline constexpr unsigned kStrPrintingRecords = 3008;
inline constexpr const char* kPrintingRecordsText = "Printing %s records of file '%s' from record %u";
// The count of a file printed to its end: one string for lines and one for records, since
// languages agree the words with what they count.
inline constexpr unsigned kStrAllLines = 3010;
inline constexpr unsigned kStrAllRecords = 3011;
inline constexpr const char* kAllText = "all the";
inline constexpr unsigned kStrPlayingActions = 3009;
inline constexpr const char* kPlayingActionsText = "Printing actions (header, foot, ...) for new page";
inline constexpr unsigned kStrPrintingJob = 3012;
inline constexpr const char* kPrintingJobText = "Printing '%s'...";

// The title of a job's progress display.
inline constexpr unsigned kStrPrintingTitle = 62025;
inline constexpr const char* kPrintingTitleText = "Printing";

// Failure reports (showError).
inline constexpr unsigned kStrSpError = 479;
inline constexpr const char* kSpErrorText = "General error";
inline constexpr unsigned kStrSpAppAbort = 480;
inline constexpr const char* kSpAppAbortText =
    "Job was ended because the application’s abort function returned 0.";
inline constexpr unsigned kStrSpUserAbort = 481;
inline constexpr const char* kSpUserAbortText = "User ended the job through Print Manager.";
inline constexpr unsigned kStrSpOutOfDisk = 482;
inline constexpr const char* kSpOutOfDiskText =
    "Not enough disk space is currently available for spooling, and no more space will become available.";
inline constexpr unsigned kStrSpOutOfMemory = 483;
inline constexpr const char* kSpOutOfMemoryText = "Not enough memory is available for spooling";
inline constexpr unsigned kStrErrorTrying = 484;
inline constexpr const char* kErrorTryingText = "Error %d (0x%04x) trying %s...";
inline constexpr unsigned kStrCommandFailed = 584;
inline constexpr const char* kCommandFailedText = "Error trying to execute the Advanced Print Function:";
inline constexpr unsigned kStrOkToAbort = 591;
inline constexpr const char* kOkToAbortText = "Ok to abort this print job  ?";
inline constexpr unsigned kStrLogOpenFailed = 473;
inline constexpr const char* kLogOpenFailedText = "Error %u trying to open '%s";

} // namespace typestone
