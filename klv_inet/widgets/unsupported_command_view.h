#pragma once
// The report of a command the program cannot carry out, as a widget: the text beside a
// warning icon, the check box "Ignore Unsupported Commands", the "&Update" button and OK.
// Closed as timed out when its time-out runs out. GUI thread only.

#include "klv_inet/widgets/widgets_export.h"

#include "platform/ui/ui_requests.h"

class QWidget;

namespace klv::widgets {

// Object names while the report is shown, so tests and helpers can find it and its parts.
inline constexpr const char* kUnsupportedCommandName = "klvUnsupportedCommand";
inline constexpr const char* kUnsupportedTextName = "1224";
inline constexpr const char* kUnsupportedIgnoreName = "1225";
inline constexpr const char* kUnsupportedUpdateName = "20306";

KLV_WIDGETS_EXPORT platform::ui::UnsupportedCommandAnswer
showUnsupportedCommand(const platform::ui::UnsupportedCommandRequest& request, QWidget* parent = nullptr);

} // namespace klv::widgets
