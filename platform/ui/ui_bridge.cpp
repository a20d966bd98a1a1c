#include "platform/ui/ui_bridge.h"

#include "platform/ui/headless_ui_bridge.h"
#include "platform/ui/message_box.h"

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace platform::ui {

namespace {

// What bridge() hands out: forwards each call to the bridge current at the time. Holding a
// shared_ptr for the length of the call means setBridge() on another thread never destroys
// a bridge that is still answering. Open progress displays remember their bridge so that
// updates and the close reach the display that was opened, not a stranger.
class CurrentBridge final : public UiBridge
{
public:
    CurrentBridge() : m_current(std::make_shared<HeadlessUiBridge>()) {}

    void set(std::shared_ptr<UiBridge> next)
    {
        if (!next)
            next = std::make_shared<HeadlessUiBridge>();
        std::lock_guard lock(m_mutex);
        m_current = std::move(next);
    }

    int messageBox(const MessageBoxRequest& request) override { return current()->messageBox(request); }

    std::optional<std::string> askText(const TextQuestion& request) override
    {
        return current()->askText(request);
    }

    std::optional<std::size_t> askChoice(const ChoiceQuestion& request) override
    {
        return current()->askChoice(request);
    }

    UnsupportedCommandAnswer unsupportedCommand(const UnsupportedCommandRequest& request) override
    {
        return current()->unsupportedCommand(request);
    }

    ProgressId openProgress(const ProgressRequest& request) override
    {
        std::shared_ptr<UiBridge> target = current();
        const ProgressId id = target->openProgress(request);
        if (id != kNoProgress) {
            std::lock_guard lock(m_mutex);
            m_owners[id] = std::move(target);
        }
        return id;
    }

    void updateProgress(ProgressId id, const ProgressState& state) override
    {
        if (std::shared_ptr<UiBridge> target = owner(id))
            target->updateProgress(id, state);
    }

    bool progressCancelled(ProgressId id) override
    {
        std::shared_ptr<UiBridge> target = owner(id);
        return target && target->progressCancelled(id);
    }

    void clearProgressCancel(ProgressId id) override
    {
        if (std::shared_ptr<UiBridge> target = owner(id))
            target->clearProgressCancel(id);
    }

    void closeProgress(ProgressId id) override
    {
        std::shared_ptr<UiBridge> target;
        {
            std::lock_guard lock(m_mutex);
            auto it = m_owners.find(id);
            if (it == m_owners.end())
                return;
            target = std::move(it->second);
            m_owners.erase(it);
        }
        target->closeProgress(id);
    }

private:
    std::shared_ptr<UiBridge> current()
    {
        std::lock_guard lock(m_mutex);
        return m_current;
    }

    std::shared_ptr<UiBridge> owner(ProgressId id)
    {
        std::lock_guard lock(m_mutex);
        auto it = m_owners.find(id);
        return it == m_owners.end() ? nullptr : it->second;
    }

    std::mutex m_mutex;
    std::shared_ptr<UiBridge> m_current;
    std::unordered_map<ProgressId, std::shared_ptr<UiBridge>> m_owners;
};

CurrentBridge& currentBridge()
{
    // Never destroyed: threads that outlive main() may still report through it.
    static CurrentBridge* const instance = new CurrentBridge;
    return *instance;
}

} // namespace

std::optional<std::size_t> UiBridge::askChoice(const ChoiceQuestion& request)
{
    TextQuestion question;
    question.prompt = request.prompt;
    question.caption = request.caption;
    if (request.initial >= 0 && std::size_t(request.initial) < request.choices.size())
        question.initial = request.choices[std::size_t(request.initial)];
    question.timeoutMs = request.timeoutMs;
    const std::optional<std::string> answer = askText(question);
    if (!answer)
        return std::nullopt;
    for (std::size_t i = 0; i < request.choices.size(); ++i)
        if (request.choices[i] == *answer)
            return i;
    return std::nullopt;
}

UnsupportedCommandAnswer UiBridge::unsupportedCommand(const UnsupportedCommandRequest& request)
{
    MessageBoxRequest box;
    box.text = request.text;
    box.caption = request.caption;
    box.style = kMbOk | kMbIconExclamation;
    box.timeoutMs = request.timeoutMs;
    UnsupportedCommandAnswer answer;
    answer.timedOut = messageBox(box) == kIdTimeout;
    return answer;
}

ProgressId newProgressId()
{
    static std::atomic<ProgressId> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

UiBridge& bridge()
{
    return currentBridge();
}

void setBridge(std::shared_ptr<UiBridge> bridge)
{
    currentBridge().set(std::move(bridge));
}

std::string clipToLength(std::string text, std::size_t maxLength)
{
    if (maxLength == 0 || text.size() <= maxLength)
        return text;
    std::size_t end = maxLength;
    // Step back over continuation bytes (10xxxxxx) so the cut falls before a sequence's lead byte.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

} // namespace platform::ui
