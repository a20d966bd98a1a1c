#pragma once
// The user's number and date conventions, kept in the settings store where the system's
// international settings live (current user, "Control Panel\International").
// Internal to the library.

namespace klv {

// First character of "sDecimal" (default ','), read once per process.
char decimalSeparator();

// First digit of "iDate" (default '1': day before month), read on every call.
char dateOrderDigit();

} // namespace klv
