#pragma once
// Opening a web page with the desktop's handler. Only http and https addresses with a host
// are opened: a host or a file must never make the server start another kind of program.

#include <string>

namespace typestone {

// The address is an absolute http or https URL with a host.
bool IsWebUrl(const std::string& url);

// Opens the address with the desktop's handler; false (traced) for an address that is no web
// address, for an empty one (no maker's site is configured here) and when nothing could be
// started.
bool GoToWebSite(const std::string& url);

// The program's help, the README of its read-only data folder, opened with the desktop's
// handler; false (traced) when it is not there or nothing could open it.
bool OpenHelp();

} // namespace typestone
