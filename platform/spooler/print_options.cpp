#include "platform/spooler/print_options.h"

namespace platform::spooler {

bool PrintOptions::check(std::string* error) const
{
    // Fill a complete set from the defaults so the limits are checked in one place.
    PrinterDefaults values;
    values.media = media.value_or(values.media);
    values.copies = copies.value_or(values.copies);
    values.resolution = resolution.value_or(values.resolution);
    return checkDefaults(values, error);
}

} // namespace platform::spooler
