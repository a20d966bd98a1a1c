#pragma once
// The bridge when nobody can be asked: every box gets the answer of its default button and
// every text question goes unanswered, at once. Progress displays are tracked but not drawn.
// Nothing goes to a screen; an optional sink gets one line per box or question for a log.

#include "platform/ui/ui_bridge.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <string_view>
#include <unordered_set>

namespace platform::ui {

class HeadlessUiBridge final : public UiBridge
{
public:
    // Receives lines such as "message box 'Caption': text -> 6" and
    // "question 'Caption': prompt -> (no answer)"; control characters in the texts are
    // written as escapes so that a line stays one line. Calls are serialised; the sink must
    // not call back into this bridge.
    using LineSink = std::function<void(std::string_view line)>;

    explicit HeadlessUiBridge(LineSink sink = {});

    int messageBox(const MessageBoxRequest& request) override;
    std::optional<std::string> askText(const TextQuestion& request) override;
    ProgressId openProgress(const ProgressRequest& request) override;
    void updateProgress(ProgressId id, const ProgressState& state) override;
    bool progressCancelled(ProgressId id) override;
    void closeProgress(ProgressId id) override;

    // Progress displays opened and not yet closed.
    std::size_t openProgressCount() const;

private:
    void emit(std::string_view line);

    const LineSink m_sink;
    std::mutex m_sinkMutex;
    mutable std::mutex m_mutex;
    std::unordered_set<ProgressId> m_progress;
};

} // namespace platform::ui
