#include "typestone/server/dev_names.h"

namespace typestone {

DevNames DevNames::ForPrinter(const platform::spooler::PrinterInfo& info)
{
    return DevNames{info.makeAndModel, info.name, info.deviceUri, info.isDefault};
}

} // namespace typestone
