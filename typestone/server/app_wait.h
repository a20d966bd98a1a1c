#pragma once
// Waiting a while on the calling thread: without pumping it sleeps; with pumping it runs the
// thread's queued calls (its "window messages") until the time has passed. Never a busy loop.
// The multimedia wait of the host link is the same here: the system's sleep already has
// millisecond resolution.

namespace typestone {

void Wait(unsigned milliseconds, bool pump);
void MMWait(unsigned milliseconds, bool pump);

} // namespace typestone
