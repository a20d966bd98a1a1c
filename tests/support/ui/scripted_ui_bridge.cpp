#include "tests/support/ui/scripted_ui_bridge.h"

#include "platform/ui/message_box.h"

#include <algorithm>
#include <utility>

namespace platform::ui {

void ScriptedUiBridge::pushBoxAnswer(int answer)
{
    std::lock_guard lock(m_mutex);
    m_boxReplies.push_back({answer, false});
}

void ScriptedUiBridge::pushBoxTimeout()
{
    std::lock_guard lock(m_mutex);
    m_boxReplies.push_back({kIdTimeout, true});
}

void ScriptedUiBridge::pushTextAnswer(std::string text)
{
    std::lock_guard lock(m_mutex);
    m_textReplies.push_back({std::move(text), false});
}

void ScriptedUiBridge::pushTextCancel()
{
    std::lock_guard lock(m_mutex);
    m_textReplies.push_back({std::nullopt, false});
}

void ScriptedUiBridge::pushTextTimeout()
{
    std::lock_guard lock(m_mutex);
    m_textReplies.push_back({std::nullopt, true});
}

void ScriptedUiBridge::pushReportAnswer(bool ignoreLater, bool pressUpdate)
{
    std::lock_guard lock(m_mutex);
    m_reportReplies.push_back({ignoreLater, pressUpdate});
}

void ScriptedUiBridge::hold()
{
    std::lock_guard lock(m_mutex);
    m_held = true;
}

void ScriptedUiBridge::release()
{
    {
        std::lock_guard lock(m_mutex);
        m_held = false;
    }
    m_changed.notify_all();
}

void ScriptedUiBridge::setHoldLimit(std::chrono::milliseconds limit)
{
    std::lock_guard lock(m_mutex);
    m_holdLimit = std::max(limit, std::chrono::milliseconds(0));
}

bool ScriptedUiBridge::cancelProgress(ProgressId id)
{
    std::lock_guard lock(m_mutex);
    auto it = m_progressCancelled.find(id);
    if (it == m_progressCancelled.end())
        return false;
    it->second = true;
    return true;
}

void ScriptedUiBridge::setObserver(Observer observer)
{
    std::lock_guard lock(m_mutex);
    m_observer = std::move(observer);
}

std::size_t ScriptedUiBridge::cancelsCleared() const
{
    std::lock_guard lock(m_mutex);
    return m_cancelsCleared;
}

std::vector<ScriptedUiBridge::Call> ScriptedUiBridge::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::size_t ScriptedUiBridge::callCount() const
{
    std::lock_guard lock(m_mutex);
    return m_calls.size();
}

bool ScriptedUiBridge::waitForCalls(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_calls.size() >= count; });
}

std::size_t ScriptedUiBridge::openProgressCount() const
{
    std::lock_guard lock(m_mutex);
    return m_progressCancelled.size();
}

int ScriptedUiBridge::messageBox(const MessageBoxRequest& request)
{
    std::unique_lock lock(m_mutex);
    Call call;
    call.kind = Call::Kind::MessageBox;
    call.box = request;
    const std::size_t index = record(std::move(call));

    BoxReply reply;
    if (!waitWhileHeld(lock, request.timeoutMs)) {
        reply = {kIdTimeout, true};
    } else if (!m_boxReplies.empty()) {
        reply = m_boxReplies.front();
        m_boxReplies.pop_front();
    } else {
        reply = {defaultAnswer(request.style), false};
    }
    m_calls[index].answer = reply.answer;
    m_calls[index].timedOut = reply.timedOut;
    finish(index, lock);
    return reply.answer;
}

std::optional<std::string> ScriptedUiBridge::askText(const TextQuestion& request)
{
    std::unique_lock lock(m_mutex);
    Call call;
    call.kind = Call::Kind::AskText;
    call.question = request;
    const std::size_t index = record(std::move(call));

    TextReply reply;
    if (!waitWhileHeld(lock, request.timeoutMs)) {
        reply = {std::nullopt, true};
    } else if (!m_textReplies.empty()) {
        reply = std::move(m_textReplies.front());
        m_textReplies.pop_front();
    } else {
        reply = {request.initial, false};
    }
    // A real edit field takes no more than maxLength; neither does the script.
    if (reply.text)
        reply.text = clipToLength(std::move(*reply.text), request.maxLength);
    m_calls[index].text = reply.text;
    m_calls[index].timedOut = reply.timedOut;
    finish(index, lock);
    return reply.text;
}

UnsupportedCommandAnswer ScriptedUiBridge::unsupportedCommand(const UnsupportedCommandRequest& request)
{
    std::unique_lock lock(m_mutex);
    Call call;
    call.kind = Call::Kind::UnsupportedCommand;
    call.report = request;
    const std::size_t index = record(std::move(call));

    UnsupportedCommandAnswer answer;
    ReportReply reply;
    if (!waitWhileHeld(lock, request.timeoutMs)) {
        answer.timedOut = true;
    } else if (!m_reportReplies.empty()) {
        reply = m_reportReplies.front();
        m_reportReplies.pop_front();
    }
    answer.ignoreLater = reply.ignoreLater;
    // The update runs as a real button's would: on the showing thread, while the report is
    // open, without the fake's lock.
    std::optional<bool> updated;
    if (reply.pressUpdate && request.update) {
        lock.unlock();
        updated = request.update();
        lock.lock();
    }
    m_calls[index].reportAnswer = answer;
    m_calls[index].updateResult = updated;
    m_calls[index].timedOut = answer.timedOut;
    finish(index, lock);
    return answer;
}

ProgressId ScriptedUiBridge::openProgress(const ProgressRequest& request)
{
    const ProgressId id = newProgressId();
    std::unique_lock lock(m_mutex);
    m_progressCancelled.emplace(id, false);
    Call call;
    call.kind = Call::Kind::OpenProgress;
    call.progressOpen = request;
    call.progress = id;
    finish(record(std::move(call)), lock);
    return id;
}

void ScriptedUiBridge::updateProgress(ProgressId id, const ProgressState& state)
{
    std::unique_lock lock(m_mutex);
    Call call;
    call.kind = Call::Kind::UpdateProgress;
    call.progress = id;
    call.progressState = state;
    finish(record(std::move(call)), lock);
}

bool ScriptedUiBridge::progressCancelled(ProgressId id)
{
    std::lock_guard lock(m_mutex);
    auto it = m_progressCancelled.find(id);
    return it != m_progressCancelled.end() && it->second;
}

void ScriptedUiBridge::clearProgressCancel(ProgressId id)
{
    std::lock_guard lock(m_mutex);
    auto it = m_progressCancelled.find(id);
    if (it == m_progressCancelled.end())
        return;
    it->second = false;
    ++m_cancelsCleared;
}

void ScriptedUiBridge::closeProgress(ProgressId id)
{
    std::unique_lock lock(m_mutex);
    m_progressCancelled.erase(id);
    Call call;
    call.kind = Call::Kind::CloseProgress;
    call.progress = id;
    finish(record(std::move(call)), lock);
}

std::size_t ScriptedUiBridge::record(Call call)
{
    m_calls.push_back(std::move(call));
    m_changed.notify_all();
    return m_calls.size() - 1;
}

bool ScriptedUiBridge::waitWhileHeld(std::unique_lock<std::mutex>& lock, std::uint32_t timeoutMs)
{
    if (!m_held)
        return true;
    std::chrono::milliseconds limit = m_holdLimit;
    if (timeoutMs != 0)
        limit = std::min(limit, std::chrono::milliseconds(timeoutMs));
    return m_changed.wait_for(lock, limit, [&] { return !m_held; });
}

void ScriptedUiBridge::finish(std::size_t index, std::unique_lock<std::mutex>& lock)
{
    m_calls[index].finished = true;
    const Call done = m_calls[index];
    const Observer observer = m_observer;
    lock.unlock();
    m_changed.notify_all();
    if (observer)
        observer(done);
}

} // namespace platform::ui
