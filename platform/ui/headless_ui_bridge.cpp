#include "platform/ui/headless_ui_bridge.h"

#include "platform/ui/message_box.h"

#include <cstdio>
#include <utility>

namespace platform::ui {

namespace {

// The text with control characters and backslashes escaped, so that it fits on one log line.
std::string oneLine(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                out += hex;
            } else {
                out += c;
            }
        }
    }
    return out;
}

} // namespace

HeadlessUiBridge::HeadlessUiBridge(LineSink sink) : m_sink(std::move(sink)) {}

int HeadlessUiBridge::messageBox(const MessageBoxRequest& request)
{
    const int answer = defaultAnswer(request.style);
    if (m_sink)
        emit("message box '" + oneLine(request.caption) + "': " + oneLine(request.text) + " -> " +
             std::to_string(answer));
    return answer;
}

std::optional<std::string> HeadlessUiBridge::askText(const TextQuestion& request)
{
    if (m_sink)
        emit("question '" + oneLine(request.caption) + "': " + oneLine(request.prompt) + " -> (no answer)");
    return std::nullopt;
}

ProgressId HeadlessUiBridge::openProgress(const ProgressRequest&)
{
    const ProgressId id = newProgressId();
    std::lock_guard lock(m_mutex);
    m_progress.insert(id);
    return id;
}

void HeadlessUiBridge::updateProgress(ProgressId, const ProgressState&)
{
    // Nothing is drawn; an update of an unknown id is ignored like any other.
}

bool HeadlessUiBridge::progressCancelled(ProgressId)
{
    return false; // nobody can press Cancel
}

void HeadlessUiBridge::closeProgress(ProgressId id)
{
    std::lock_guard lock(m_mutex);
    m_progress.erase(id);
}

std::size_t HeadlessUiBridge::openProgressCount() const
{
    std::lock_guard lock(m_mutex);
    return m_progress.size();
}

void HeadlessUiBridge::emit(std::string_view line)
{
    std::lock_guard lock(m_sinkMutex);
    m_sink(line);
}

} // namespace platform::ui
