#pragma once
// What the code asks of the person in front of the machine, as plain values so that every
// bridge (widgets on the GUI thread, datagrams to the companion program, a test script)
// carries the same thing.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::ui {

// A message box. `style` is a button set, an icon, a default button and flags (message_box.h).
struct MessageBoxRequest
{
    std::string text;
    std::string caption;
    std::uint32_t style = 0;
    // Milliseconds after which the box gives up with kIdTimeout; 0 = no time-out of its own
    // (a bridge that may not wait for a person, as in service mode, still applies its bound).
    std::uint32_t timeoutMs = 0;
};

// A one-line text question.
struct TextQuestion
{
    std::string prompt;
    std::string caption;
    std::string initial;
    // Longest answer in bytes; 0 = only the bridge's own limit. An answer is never longer.
    std::size_t maxLength = 0;
    std::uint32_t timeoutMs = 0; // as in MessageBoxRequest
};

// A question whose answer is one of a fixed list of texts (a drop-down list).
struct ChoiceQuestion
{
    std::string prompt;
    std::string caption;
    std::vector<std::string> choices;
    int initial = -1;            // index of the entry selected at first; -1: none
    std::uint32_t timeoutMs = 0; // as in MessageBoxRequest
};

// The report of a command the program cannot carry out: the text, OK, a check box with which
// the person asks not to be told again, and a button that looks for an update of the program.
struct UnsupportedCommandRequest
{
    std::string caption;
    std::string text;
    // Runs on the thread that shows the report when the update button is pressed; false when
    // no update site can be reached (the button is then disabled). Empty: the button is shown
    // disabled, or not at all by a bridge that has no such button.
    std::function<bool()> update;
    std::uint32_t timeoutMs = 0; // as in MessageBoxRequest
};

struct UnsupportedCommandAnswer
{
    bool ignoreLater = false; // "Ignore Unsupported Commands" was ticked
    bool timedOut = false;    // nobody closed the report before the time-out
};

// Identifies an open progress display; kNoProgress is never handed out.
using ProgressId = std::uint64_t;
inline constexpr ProgressId kNoProgress = 0;

struct ProgressRequest
{
    std::string caption;
    std::vector<std::string> lines;
    // What the work is about, for a bridge that shows the display in another program (empty:
    // the caption tells).
    std::string jobName;
    std::string printer;
};

// The whole state of a progress display; every update replaces the previous one.
struct ProgressState
{
    std::vector<std::string> lines;
    int level = 0;      // nesting or animation level as the caller counts it
    int percent = -1;   // 0..100, or -1 when there is no measure
    std::string status; // short text under the lines (a time, a page number)
    int page = -1;      // the page being printed, or -1 when there is none
    // Set when the figures went back to those saved before a nested count (a file printed
    // by a command): `startedAt` is when the restored count started, in seconds since the
    // epoch, so a display that reckons the time to go can take the old count up again.
    bool restored = false;
    int64_t startedAt = 0;
};

} // namespace platform::ui
