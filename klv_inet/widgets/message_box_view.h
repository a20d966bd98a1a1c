#pragma once
// The message box as a widget: the request's buttons, icon and default button, closed with
// kIdTimeout when its time-out runs out. GUI thread only.

#include "klv_inet/widgets/widgets_export.h"

#include "platform/ui/ui_requests.h"

class QWidget;

namespace klv::widgets {

// Object name of the box while it is shown, so tests and helpers can find it.
inline constexpr const char* kMessageBoxName = "klvMessageBox";

KLV_WIDGETS_EXPORT int showMessageBox(const platform::ui::MessageBoxRequest& request,
                                      QWidget* parent = nullptr);

} // namespace klv::widgets
