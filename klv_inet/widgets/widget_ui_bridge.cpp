#include "klv_inet/widgets/widget_ui_bridge.h"

#include "klv_inet/widgets/message_box_view.h"
#include "klv_inet/widgets/progress_window.h"
#include "klv_inet/widgets/unsupported_command_view.h"

#include "platform/ui/message_box.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QTimer>

#include <chrono>
#include <condition_variable>

namespace klv::widgets {
namespace {

using namespace platform::ui;

// One call handed to the GUI thread: the result, or the caller gave up first.
template <class T> struct Handoff
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    T value{};
};

// Runs `work` on the GUI thread and waits for its result; `fallback` when the GUI is gone or
// does not answer within timeoutMs + grace (timeoutMs 0: as long as the GUI lives).
template <class T, class Work> T runOnGui(GuiLink& link, std::uint32_t timeoutMs, T fallback, Work work)
{
    if (link.onGuiThread())
        return work();
    auto handoff = std::make_shared<Handoff<T>>();
    const bool posted = link.post([handoff, work]() mutable {
        {
            std::lock_guard lock(handoff->mutex);
            if (handoff->abandoned)
                return;
        }
        T value = work();
        std::lock_guard lock(handoff->mutex);
        handoff->value = std::move(value);
        handoff->finished = true;
        handoff->done.notify_all();
    });
    if (!posted)
        return fallback;
    using Clock = std::chrono::steady_clock;
    const auto limit =
        Clock::now() + std::chrono::milliseconds(std::uint64_t(timeoutMs) + WidgetUiBridge::kGraceMs);
    std::unique_lock lock(handoff->mutex);
    while (!handoff->finished) {
        handoff->done.wait_for(lock, std::chrono::milliseconds(100));
        if (handoff->finished)
            break;
        if (!link.attached() || (timeoutMs != 0 && Clock::now() >= limit)) {
            handoff->abandoned = true;
            return fallback;
        }
    }
    return handoff->value;
}

std::optional<std::string> askOnGui(const TextQuestion& q)
{
    QInputDialog dialog;
    dialog.setWindowTitle(QString::fromStdString(q.caption));
    dialog.setLabelText(QString::fromStdString(q.prompt));
    dialog.setTextValue(QString::fromStdString(q.initial));
    bool timedOut = false;
    QTimer timer;
    if (q.timeoutMs) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &dialog, [&dialog, &timedOut] {
            timedOut = true;
            dialog.reject();
        });
        timer.start(static_cast<int>(std::min<std::uint32_t>(q.timeoutMs, 0x7FFFFFFF)));
    }
    if (dialog.exec() != QDialog::Accepted || timedOut)
        return std::nullopt;
    return clipToLength(dialog.textValue().toStdString(), q.maxLength);
}

// Closes the dialog as cancelled when the time-out runs out first; `timedOut` tells which.
void armTimeout(QTimer& timer, QDialog& dialog, std::uint32_t timeoutMs, bool& timedOut)
{
    if (timeoutMs == 0)
        return;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &dialog, [&dialog, &timedOut] {
        timedOut = true;
        dialog.reject();
    });
    timer.start(static_cast<int>(std::min<std::uint32_t>(timeoutMs, 0x7FFFFFFF)));
}

std::optional<std::size_t> chooseOnGui(const ChoiceQuestion& q)
{
    if (q.choices.empty())
        return std::nullopt;
    QInputDialog dialog;
    dialog.setWindowTitle(QString::fromStdString(q.caption));
    dialog.setLabelText(QString::fromStdString(q.prompt));
    QStringList items;
    for (const std::string& choice : q.choices)
        items << QString::fromStdString(choice);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    if (q.initial >= 0 && std::size_t(q.initial) < q.choices.size())
        dialog.setTextValue(items[q.initial]);
    bool timedOut = false;
    QTimer timer;
    armTimeout(timer, dialog, q.timeoutMs, timedOut);
    if (dialog.exec() != QDialog::Accepted || timedOut)
        return std::nullopt;
    const qsizetype index = items.indexOf(dialog.textValue());
    if (index < 0)
        return std::nullopt;
    return std::size_t(index);
}

} // namespace

WidgetUiBridge::WidgetUiBridge(std::shared_ptr<GuiLink> link)
    : m_link(std::move(link)), m_progressMutex(std::make_shared<std::mutex>()),
      m_progress(std::make_shared<std::map<ProgressId, Progress>>())
{
}

WidgetUiBridge::~WidgetUiBridge()
{
    std::lock_guard lock(*m_progressMutex);
    std::vector<ProgressWindow*> windows;
    for (auto& [id, p] : *m_progress)
        if (p.window)
            windows.push_back(p.window);
    m_progress->clear();
    for (ProgressWindow* w : windows)
        m_link->post([w] { delete w; });
}

int WidgetUiBridge::messageBox(const MessageBoxRequest& request)
{
    return runOnGui<int>(*m_link, request.timeoutMs, kIdTimeout,
                         [request] { return showMessageBox(request); });
}

std::optional<std::string> WidgetUiBridge::askText(const TextQuestion& request)
{
    return runOnGui<std::optional<std::string>>(*m_link, request.timeoutMs, std::nullopt,
                                                [request] { return askOnGui(request); });
}

std::optional<std::size_t> WidgetUiBridge::askChoice(const ChoiceQuestion& request)
{
    return runOnGui<std::optional<std::size_t>>(*m_link, request.timeoutMs, std::nullopt,
                                                [request] { return chooseOnGui(request); });
}

UnsupportedCommandAnswer WidgetUiBridge::unsupportedCommand(const UnsupportedCommandRequest& request)
{
    UnsupportedCommandAnswer gaveUp;
    gaveUp.timedOut = true;
    return runOnGui<UnsupportedCommandAnswer>(*m_link, request.timeoutMs, gaveUp,
                                              [request] { return showUnsupportedCommand(request); });
}

ProgressId WidgetUiBridge::openProgress(const ProgressRequest& request)
{
    const ProgressId id = newProgressId();
    {
        std::lock_guard lock(*m_progressMutex);
        (*m_progress)[id] = Progress{};
    }
    auto mutex = m_progressMutex;
    auto progress = m_progress;
    const bool posted = m_link->post([id, request, mutex, progress] {
        std::lock_guard lock(*mutex);
        const auto it = progress->find(id);
        if (it == progress->end())
            return; // closed before it could be shown
        auto* window = new ProgressWindow(request, [id, mutex, progress] {
            std::lock_guard inner(*mutex);
            const auto p = progress->find(id);
            if (p != progress->end())
                p->second.cancelled = true;
        });
        it->second.window = window;
        window->show();
    });
    if (!posted) {
        std::lock_guard lock(*m_progressMutex);
        m_progress->erase(id);
        return kNoProgress;
    }
    return id;
}

void WidgetUiBridge::updateProgress(ProgressId id, const ProgressState& state)
{
    auto mutex = m_progressMutex;
    auto progress = m_progress;
    m_link->post([id, state, mutex, progress] {
        std::lock_guard lock(*mutex);
        const auto it = progress->find(id);
        if (it != progress->end() && it->second.window)
            it->second.window->apply(state);
    });
}

bool WidgetUiBridge::progressCancelled(ProgressId id)
{
    std::lock_guard lock(*m_progressMutex);
    const auto it = m_progress->find(id);
    return it != m_progress->end() && it->second.cancelled;
}

void WidgetUiBridge::clearProgressCancel(ProgressId id)
{
    {
        std::lock_guard lock(*m_progressMutex);
        const auto it = m_progress->find(id);
        if (it == m_progress->end())
            return;
        it->second.cancelled = false;
    }
    auto mutex = m_progressMutex;
    auto progress = m_progress;
    m_link->post([id, mutex, progress] {
        std::lock_guard lock(*mutex);
        const auto it = progress->find(id);
        if (it != progress->end() && it->second.window)
            it->second.window->allowCancel();
    });
}

void WidgetUiBridge::closeProgress(ProgressId id)
{
    ProgressWindow* window = nullptr;
    {
        std::lock_guard lock(*m_progressMutex);
        const auto it = m_progress->find(id);
        if (it == m_progress->end())
            return;
        window = it->second.window;
        m_progress->erase(it);
    }
    if (window)
        m_link->post([window] { delete window; });
}

} // namespace klv::widgets
