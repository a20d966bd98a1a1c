#include "typestone/server/store_failure.h"

#include "typestone/server/server_trace.h"

#include <cstdio>

namespace typestone {

void ReportStoreFailure(const std::string& operation, const std::string& reason)
{
    const std::string line = "the settings store failed " + operation + ": " + reason;
    std::fprintf(stderr, "typestone: %s\n", line.c_str());
    std::fflush(stderr);
    TRZ_Trace(kTrzAlways, "\n%s", line.c_str());
}

} // namespace typestone
