#pragma once
// A string of the server's table as a QString, with the text used when the table has none.

#include "typestone/server/server_strings.h"

#include <QString>

namespace typestone {

inline QString desktopText(unsigned id, const char* fallback)
{
    const std::string s = serverString(id);
    return QString::fromStdString(s.empty() ? std::string(fallback) : s);
}

} // namespace typestone
