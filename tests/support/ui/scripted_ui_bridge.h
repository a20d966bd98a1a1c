#pragma once
// A bridge for tests: records every call and answers from a script.
//
// Box and text answers are queued per kind and taken in order; when a queue is empty the
// call gets what pressing Enter would give: the default button's answer, or the initial
// text. The fake can hold callers (as a person who has not answered yet) until released;
// a held call still ends at its own time-out, and at the fake's hold limit when it has none,
// so a test that forgets to release never hangs. Progress displays can be cancelled by the
// test. Everything is thread-safe.

#include "platform/ui/ui_bridge.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::ui {

class ScriptedUiBridge final : public UiBridge
{
public:
    // One recorded call. progressCancelled() polls are not recorded.
    struct Call
    {
        enum class Kind
        {
            MessageBox,
            AskText,
            UnsupportedCommand,
            OpenProgress,
            UpdateProgress,
            CloseProgress
        };
        Kind kind = Kind::MessageBox;
        MessageBoxRequest box;            // MessageBox
        TextQuestion question;            // AskText
        UnsupportedCommandRequest report; // UnsupportedCommand
        UnsupportedCommandAnswer reportAnswer;
        std::optional<bool> updateResult;  // UnsupportedCommand: what the update button gave
        ProgressRequest progressOpen;      // OpenProgress
        ProgressState progressState;       // UpdateProgress
        ProgressId progress = kNoProgress; // the progress calls
        int answer = 0;                    // MessageBox
        std::optional<std::string> text;   // AskText
        bool timedOut = false;             // MessageBox, AskText, UnsupportedCommand
        bool finished = false;             // false while the caller is still held
    };
    // Called on the caller's thread after each call is finished and recorded, outside the
    // fake's lock, so it may call cancelProgress() or push answers.
    using Observer = std::function<void(const Call&)>;

    ScriptedUiBridge() = default;

    void pushBoxAnswer(int answer);
    void pushBoxTimeout(); // the next box answers kIdTimeout at once, as if its time-out ran out
    void pushTextAnswer(std::string text);
    void pushTextCancel();
    void pushTextTimeout(); // the next question gives nullopt at once, recorded as timed out
    // How the next unsupported-command report is closed: with the check box ticked or not,
    // after pressing the update button (when the report has one) or not. Unscripted reports
    // are closed with OK, nothing ticked or pressed.
    void pushReportAnswer(bool ignoreLater, bool pressUpdate = false);

    // From hold() until release(), box and text calls wait. A call that waits longer than its
    // timeoutMs, or than the hold limit (default 5 s), ends as timed out without taking an
    // answer from the script.
    void hold();
    void release();
    void setHoldLimit(std::chrono::milliseconds limit);

    // Marks an open progress display as cancelled; false when the id is not open.
    bool cancelProgress(ProgressId id);
    // How many times the owner took a cancel back (clearProgressCancel) on any display.
    std::size_t cancelsCleared() const;
    void setObserver(Observer observer);

    std::vector<Call> calls() const;
    std::size_t callCount() const;
    // Waits until at least `count` calls were recorded (held ones included); false on time-out.
    bool waitForCalls(std::size_t count, std::chrono::milliseconds timeout) const;
    std::size_t openProgressCount() const;

    int messageBox(const MessageBoxRequest& request) override;
    std::optional<std::string> askText(const TextQuestion& request) override;
    UnsupportedCommandAnswer unsupportedCommand(const UnsupportedCommandRequest& request) override;
    ProgressId openProgress(const ProgressRequest& request) override;
    void updateProgress(ProgressId id, const ProgressState& state) override;
    bool progressCancelled(ProgressId id) override;
    void clearProgressCancel(ProgressId id) override;
    void closeProgress(ProgressId id) override;

private:
    struct BoxReply
    {
        int answer = 0;
        bool timedOut = false;
    };
    struct TextReply
    {
        std::optional<std::string> text;
        bool timedOut = false;
    };
    struct ReportReply
    {
        bool ignoreLater = false;
        bool pressUpdate = false;
    };

    std::size_t record(Call call);                                                   // with m_mutex held
    bool waitWhileHeld(std::unique_lock<std::mutex>& lock, std::uint32_t timeoutMs); // false: timed out
    void finish(std::size_t index, std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::deque<BoxReply> m_boxReplies;
    std::deque<TextReply> m_textReplies;
    std::deque<ReportReply> m_reportReplies;
    std::size_t m_cancelsCleared = 0;
    bool m_held = false;
    std::chrono::milliseconds m_holdLimit{5000};
    std::unordered_map<ProgressId, bool> m_progressCancelled; // open displays
    std::vector<Call> m_calls;
    Observer m_observer;
};

} // namespace platform::ui
