#pragma once
// The layouts the message dialog can take, by template number: the library's own, and those
// an application supplies under the same numbers.

#include "klv_inet/support/klv_export.h"
#include "klv_inet/support/msg_dlg_state.h"

#include <optional>
#include <string>
#include <vector>

namespace klv {

struct KLV_EXPORT MsgDlgTemplate
{
    unsigned id = 0;
    std::string caption;
    int width = 0; // dialog units
    int height = 0;
    std::vector<MsgDlgControl> controls;

    // The library's template `id`, or none.
    static std::optional<MsgDlgTemplate> library(unsigned id);
    // The application's template `id` when it supplied one, else the library's.
    static std::optional<MsgDlgTemplate> application(unsigned id);
    // Lets the application supply (or replace) a template of its own.
    static void setApplicationTemplate(const MsgDlgTemplate& t);
};

} // namespace klv
