#pragma once
// The server's part in running-instance tracking: the start-up logo (desktop mode), the answer
// of a second instance, and the program's entry in the running list while it serves.

#include <functional>
#include <string>

namespace typestone {

inline constexpr const char* kLogoFile = "TYPESTONE.JPG";
inline constexpr unsigned kLogoTimeMs = 5000;
inline constexpr unsigned kStrAlreadyStarted = 61471;
// How long the second instance's notice stays up.
inline constexpr unsigned kAlreadyStartedNoticeMs = 5000;

// Shows the logo for kLogoTimeMs (first instance only; nothing without a widget application).
void ShowStartLogo();
void TakeStartLogoDown();

// True when another instance of the server runs on this machine: then the notice "already
// started" has been given (on stderr, and as a box closing itself after
// kAlreadyStartedNoticeMs) and the program is to end.
bool RefuseSecondInstance();
// Desktop mode shows the notice its own way (the about box as a splash that closes itself);
// the hook must end by itself within about kAlreadyStartedNoticeMs. Empty: the timed box.
void SetSecondInstanceNotice(std::function<void()> notice);

// While it lives, the program is listed as running; a close request of another instance
// (window messages 16 or 1096) calls `stop` on the listener thread.
class RunningInstance
{
public:
    explicit RunningInstance(std::function<void()> stop);
    ~RunningInstance();
    RunningInstance(const RunningInstance&) = delete;
    RunningInstance& operator=(const RunningInstance&) = delete;
};

} // namespace typestone
