#pragma once
// The unsupported-command dialog of the server: the command's report traced under the core
// area and shown with its "Ignore Unsupported Commands" check box and its "&Update" button,
// which looks for an update of the program through the web update.

#include <functional>
#include <string>

namespace typestone {

// What the update button needs of the application. `available` tells whether the web update
// exists and reports the web as available (asked from any thread, before each dialog);
// `query` runs the web-update query on the thread that shows the dialog and is false when no
// update site can be reached.
struct UnsuppDlgWebUpdate
{
    std::function<bool()> available;
    std::function<bool()> query;
};

// Set by the application while its web update lives; an empty value takes it away (and waits
// for an `available` that is running to return).
void SetUnsuppDlgWebUpdate(UnsuppDlgWebUpdate update);

// Traces "\nERROR----\n<text>\n<message>\n-------\n" (mask 2) and shows the dialog with the
// program's version line, the text when extended debugging is on, the message and, for a
// required version above the supported one, both versions. True when the person ticked
// "Ignore Unsupported Commands". The dialog closes by itself after half a minute.
bool ShowUnsuppDlg(const std::string& text, const std::string& message, unsigned required,
                   unsigned supported);

} // namespace typestone
