#include "typestone/server/bin_dump.h"

#include "typestone/server/server_strings.h"
#include "typestone/server/server_trace.h"

#include "klv_inet/support/msg_box_format.h"
#include "typestone/server/text_fields.h"

CBinDump::CBinDump(const std::string& path)
{
    const std::string question =
        typestone::fillFields(typestone::serverString(typestone::kStrBinaryDump), {path});
    if (TRZ_MsgBox(question.c_str(), platform::ui::kMbYesNo | platform::ui::kMbIconQuestion, 0,
                   typestone::kTrzJobs) == platform::ui::kIdYes)
        m_file.openWriteExclusive(path);
}

size_t CBinDump::Write(const void* data, size_t count)
{
    if (!m_file.isOpen() || !data)
        return 0;
    const size_t n = count > 65535 ? 65535 : count;
    return m_file.write(data, n) ? n : 0;
}
