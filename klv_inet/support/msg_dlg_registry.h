#pragma once
// The live message dialogs by id (internal to the library). Views reach a dialog only through
// here: a dialog removes itself before it goes away, and an action for a removed id is dropped.

#include <functional>

class CMsgDlg;

namespace klv {

class MsgDlgRegistry
{
public:
    static unsigned add(CMsgDlg* dialog);
    // Waits for an action running on that dialog to finish, then forgets it.
    static void remove(unsigned id);
    // Runs `action` on the dialog while it cannot go away; false when the id is unknown.
    static bool with(unsigned id, const std::function<void(CMsgDlg&)>& action);
};

} // namespace klv
