#pragma once
// The user-interface bridge of the desktop: boxes, questions and progress as widgets on the
// GUI thread. A call from another thread is handed to the GUI thread and waited for; the wait
// ends with the box's own time-out (plus a grace for a busy GUI) or when the GUI side goes
// away, so a worker is never stranded.

#include "klv_inet/widgets/gui_link.h"
#include "klv_inet/widgets/widgets_export.h"

#include "platform/ui/ui_bridge.h"

#include <map>
#include <memory>
#include <mutex>

namespace klv::widgets {

class ProgressWindow;

class KLV_WIDGETS_EXPORT WidgetUiBridge final : public platform::ui::UiBridge
{
public:
    explicit WidgetUiBridge(std::shared_ptr<GuiLink> link);
    ~WidgetUiBridge() override;

    int messageBox(const platform::ui::MessageBoxRequest& request) override;
    std::optional<std::string> askText(const platform::ui::TextQuestion& request) override;
    // A drop-down list of the choices, the initial one selected.
    std::optional<std::size_t> askChoice(const platform::ui::ChoiceQuestion& request) override;
    // The report with its check box and update button; the update runs on the GUI thread.
    platform::ui::UnsupportedCommandAnswer
    unsupportedCommand(const platform::ui::UnsupportedCommandRequest& request) override;
    platform::ui::ProgressId openProgress(const platform::ui::ProgressRequest& request) override;
    void updateProgress(platform::ui::ProgressId id, const platform::ui::ProgressState& state) override;
    bool progressCancelled(platform::ui::ProgressId id) override;
    void clearProgressCancel(platform::ui::ProgressId id) override;
    void closeProgress(platform::ui::ProgressId id) override;

    // How long past a request's own time-out a caller waits for a GUI that does not answer.
    static constexpr std::uint32_t kGraceMs = 5000;

private:
    struct Progress
    {
        bool cancelled = false;
        ProgressWindow* window = nullptr; // GUI thread only
    };

    std::shared_ptr<GuiLink> m_link;
    std::shared_ptr<std::mutex> m_progressMutex;
    std::shared_ptr<std::map<platform::ui::ProgressId, Progress>> m_progress;
};

} // namespace klv::widgets
