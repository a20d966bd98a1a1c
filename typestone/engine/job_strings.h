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
inline constexpr unsigned kStrPrintingJob = 3012;
inline constexpr const char* kPrintingJobText = "Printing '%s'...";

} // namespace typestone
