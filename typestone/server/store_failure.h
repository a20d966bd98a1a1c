#pragma once
// A settings-store failure while the server runs. The tracer is off unless someone turns it
// on, so the line goes to standard error (the journal) as well as to the trace, and names the
// operation that failed: the store failing is never passed off as a printer that is not shared.

#include <string>

namespace typestone {

// "typestone: the settings store failed <operation>: <reason>"
void ReportStoreFailure(const std::string& operation, const std::string& reason);

} // namespace typestone
