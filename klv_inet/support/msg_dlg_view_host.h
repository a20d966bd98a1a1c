#pragma once
// Where message dialogs are shown. The desktop installs a widget host (klv_inet_widgets); with
// none installed (service mode, tests) dialogs keep their state without a window.

#include "klv_inet/support/klv_export.h"
#include "klv_inet/support/msg_dlg_state.h"

namespace klv {

class KLV_EXPORT MsgDlgViewHost
{
public:
    virtual ~MsgDlgViewHost();
    // Shows or updates the view of state.dialogId. Called on the dialog's own thread (or the
    // GUI thread for clicks) with the dialog's lock held: it must hand the state on without
    // waiting (a queued call).
    virtual void show(const MsgDlgState& state) = 0;
    // Removes the view of that dialog; same rules.
    virtual void close(unsigned dialogId) = 0;

    // The installed host, or null. The host must outlive every dialog shown through it.
    static MsgDlgViewHost* installed();
    static void install(MsgDlgViewHost* host);
};

} // namespace klv
