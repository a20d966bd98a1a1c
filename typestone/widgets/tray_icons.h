#pragma once
// The server's two icons, running and paused, drawn here rather than loaded, so the program
// needs no icon files. GUI thread only.

#include <QIcon>

namespace typestone {

QIcon ServerIcon(bool paused);

} // namespace typestone
