#pragma once
// Running a dialog modally so that the start-up logo never hides it: the logo leaves the
// top-most band for the time the dialog runs and sits behind it, and comes back afterwards.
// On the GUI thread only, like every widget.

#include "klv_inet/widgets/widgets_export.h"

class QDialog;

// Runs `dialog` modally; its result as a box answers (accepted IDOK, rejected IDCANCEL, any
// other code it ended with as it is), 0 for a null dialog, -1 when called on another thread
// than the dialog's (nothing is shown then).
KLV_WIDGETS_EXPORT int PLM_DoModal(QDialog* dialog);
// PLM_DoModal with the library's own strings as the current resources while the dialog runs.
KLV_WIDGETS_EXPORT int DLL_DoModal(QDialog* dialog);
