#include "klv_inet/support/msg_dlg_state.h"

namespace klv {

const MsgDlgControl* MsgDlgState::control(int id) const
{
    for (const MsgDlgControl& c : controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

MsgDlgControl* MsgDlgState::control(int id)
{
    for (MsgDlgControl& c : controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

} // namespace klv
