// A folder printer's settings file: whatever parses is within the limits, and writes back as
// the same settings.

#include "tests/fuzz/fuzz_target.h"

#include "platform/spooler/printer_defaults.h"

#include <string>
#include <string_view>

FUZZ_TARGET(printer_settings)
{
    using namespace platform::spooler;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    PrinterDefaults parsed;
    std::string error;
    if (!parseDefaults(text, &parsed, &error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(checkDefaults(parsed, nullptr));
    PrinterDefaults again;
    FUZZ_CHECK(parseDefaults(formatDefaults(parsed), &again, nullptr));
    FUZZ_CHECK(again == parsed);
    return 0;
}
