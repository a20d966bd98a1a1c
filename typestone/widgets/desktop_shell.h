#pragma once
// What desktop mode adds to the running server: the tray icon with its menu. Made on the GUI
// thread once the service exists; the icon is added when the event loop runs.

#include "typestone/server/typestone_app.h"

#include <memory>

class QObject;

namespace typestone {

std::unique_ptr<QObject> MakeDesktop(const CTypestoneApp::DesktopParts& parts);

// The about box as the splash of a second instance: shown until it closes itself.
void ShowAlreadyStartedSplash();

} // namespace typestone
