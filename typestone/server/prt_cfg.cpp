#include "typestone/server/prt_cfg.h"

#include "typestone/server/job_header.h"

#include <algorithm>
#include <cstring>

namespace typestone {

std::string PRTCFG::Password() const
{
    return FieldText(password, sizeof password - 1);
}

void PRTCFG::SetPassword(const std::string& text)
{
    std::memset(password, 0, sizeof password);
    std::memcpy(password, text.data(), std::min(text.size(), sizeof password - 1));
}

void FreePrtCfg(PRTCFG* record)
{
    if (!record)
        return;
    record->printerName.clear();
    record->shareName.clear();
    record->devMode.reset();
    record->devNames.reset();
}

} // namespace typestone
