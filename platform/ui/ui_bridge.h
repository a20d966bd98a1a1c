#pragma once
// The one way the code talks to a person: message boxes, text questions and progress.
//
// Every function may be called from any thread. An implementation that shows widgets creates
// and touches them only on the GUI thread (a call from a worker is handed over and waited
// for); one that has no person to wait for answers at once or within the request's time-out.
// No call waits without an end.

#include "platform/ui/ui_requests.h"

#include <memory>
#include <optional>
#include <string>

namespace platform::ui {

class UiBridge
{
public:
    UiBridge() = default;
    virtual ~UiBridge() = default;
    UiBridge(const UiBridge&) = delete;
    UiBridge& operator=(const UiBridge&) = delete;

    // Shows the box and returns the answer of the button pressed (kIdOk ...), or kIdTimeout
    // when the request's time-out (or the bridge's own bound) ran out first.
    virtual int messageBox(const MessageBoxRequest& request) = 0;

    // Asks for a line of text; nullopt when cancelled or timed out. The answer is at most
    // request.maxLength bytes when that is not 0.
    virtual std::optional<std::string> askText(const TextQuestion& request) = 0;

    // Asks for one entry of request.choices; its index, or nullopt when cancelled or timed
    // out. A bridge without a list of its own asks the text question with the initial entry
    // as its text and takes an answer only when it is one of the entries exactly.
    virtual std::optional<std::size_t> askChoice(const ChoiceQuestion& request);

    // Shows the report and returns what the person ticked. A bridge without a report of its
    // own shows the text as an OK box (nothing ticked, no update button).
    virtual UnsupportedCommandAnswer unsupportedCommand(const UnsupportedCommandRequest& request);

    // Opens a progress display and returns its id (from newProgressId()), or kNoProgress when
    // none can be opened; calls with kNoProgress or an id that is not open are ignored.
    virtual ProgressId openProgress(const ProgressRequest& request) = 0;
    virtual void updateProgress(ProgressId id, const ProgressState& state) = 0;
    // True once the person asked to cancel the display's work; false for unknown ids.
    virtual bool progressCancelled(ProgressId id) = 0;
    // Takes back a cancel the owner decided not to follow (the person answered that the work
    // goes on): progressCancelled() is false again and Cancel can be pressed once more.
    virtual void clearProgressCancel(ProgressId id) { (void)id; }
    virtual void closeProgress(ProgressId id) = 0;
};

// A progress id unique in this process, whichever bridge hands it out; never kNoProgress.
ProgressId newProgressId();

// The process-wide current bridge. The reference stays valid for the life of the process; each
// call goes to the bridge current at that moment, which is kept alive until the call returns,
// and the calls on an open progress go to the bridge that opened it even after setBridge().
UiBridge& bridge();

// Makes `bridge` the current one; nullptr restores the default, a HeadlessUiBridge.
void setBridge(std::shared_ptr<UiBridge> bridge);

// `text` cut to at most maxLength bytes (0 = no limit) without splitting a UTF-8 sequence.
std::string clipToLength(std::string text, std::size_t maxLength);

} // namespace platform::ui
