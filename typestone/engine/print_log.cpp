#include "typestone/engine/print_log.h"

#include "platform/text/sprintf.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace typestone {

namespace {

using platform::text::sprintf;

constexpr size_t kTextPiece = 4096;
constexpr const char* kStars = "\n**********************************\n";

std::string now()
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    char buf[64] = {};
    if (localtime_r(&t, &local) == nullptr ||
        std::strftime(buf, sizeof buf, "%d-%m-%Y (%H:%M:%S)", &local) == 0)
        return "?";
    return buf;
}

} // namespace

void PrintLog::setPath(std::string path)
{
    m_path = std::move(path);
    m_text.clear();
    m_failure = 0;
}

bool PrintLog::write(const std::string& text)
{
    if (m_path.empty())
        return true;
    std::FILE* file = std::fopen(m_path.c_str(), "a");
    if (file == nullptr) {
        m_failure = errno != 0 ? errno : EIO;
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!ok || !closed) {
        m_failure = EIO;
        return false;
    }
    m_failure = 0;
    return true;
}

bool PrintLog::flushText()
{
    if (m_text.empty())
        return true;
    const std::string title =
        sprintf("Page #%u: Text%s", m_textPage, m_textPlaying ? " - Playing for Page <<<<<<" : "");
    std::string text;
    text.swap(m_text);
    return write(sprintf("\n%s------\n%s\n------", title, text));
}

bool PrintLog::begin(const std::string& version, const std::string& machine)
{
    if (m_path.empty())
        return true;
    m_text.clear();
    return write(std::string(kStars) + "Starting Time---->:" + now() + "\n-------------------" +
                 "\nVersion: " + version + "\n-------------------" +
                 "\n\nMachine Information ******************" + machine +
                 "\n**************************************\n\n" + kStars);
}

void PrintLog::text(uint8_t byte, unsigned page, bool playing)
{
    if (m_path.empty())
        return;
    // A run of text belongs to one page and one mode; a change starts a new run.
    if (!m_text.empty() && (page != m_textPage || playing != m_textPlaying))
        flushText();
    m_textPage = page;
    m_textPlaying = playing;
    if (byte < 0x20)
        m_text += sprintf(" [0x%02x]", byte);
    else
        m_text += static_cast<char>(byte);
    // A page of text without a control byte is still written in pieces of bounded size.
    if (m_text.size() >= kTextPiece)
        flushText();
}

bool PrintLog::control(uint8_t byte, const char* name)
{
    if (m_path.empty())
        return true;
    const bool ok = flushText();
    return write(sprintf("\n[0x%02x]->%s\n", byte, name != nullptr ? name : "")) && ok;
}

bool PrintLog::command(const std::string& description)
{
    if (m_path.empty())
        return true;
    const bool ok = flushText();
    return write("\n" + description) && ok;
}

bool PrintLog::error(const std::string& text)
{
    if (m_path.empty())
        return true;
    const bool ok = flushText();
    return write(sprintf("\n****\nERROR- %s !!!!!!!!\n****\n", text)) && ok;
}

bool PrintLog::playing(bool start)
{
    if (m_path.empty())
        return true;
    const bool ok = flushText();
    return write(start ? "\nPlayPageActions(START)----------------------------->"
                       : "\n<-----------------------------PlayPageActions(END)") &&
           ok;
}

bool PrintLog::end()
{
    if (m_path.empty())
        return true;
    const bool ok = flushText();
    return write(std::string(kStars) + "Ending Time---->:" + now() + kStars) && ok;
}

} // namespace typestone
