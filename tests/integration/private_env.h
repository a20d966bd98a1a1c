#pragma once
// The environment of a server under test: its settings store, spooler, folders and ports all
// private to the test's folder, nothing of the desktop, the system's service or a proxy.

#include <QProcessEnvironment>
#include <QString>

#include <filesystem>
#include <string>

namespace integration {

inline QProcessEnvironment privateServerEnvironment(const std::filesystem::path& dir,
                                                    const std::string& registry)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "INVOCATION_ID", "NOTIFY_SOCKET",
                             "TYPESTONE_DATA_DIR", "TYPESTONE_UPDATE_ROOT", "TYPESTONE_POSTING_URL",
                             "http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY"})
        env.remove(name);
    env.insert("TYPESTONE_REGISTRY", QString::fromStdString(registry));
    env.insert("TYPESTONE_SPOOLER", QString::fromStdString("folder:" + (dir / "spool").string()));
    env.insert("XDG_STATE_HOME", QString::fromStdString((dir / "state").string()));
    env.insert("XDG_CACHE_HOME", QString::fromStdString((dir / "cache").string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((dir / "config").string()));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((dir / "run").string()));
    env.insert("TMPDIR", QString::fromStdString(dir.string()));
    // The service keeps TypestoneUI's start-up entry in step with its auto-start flag: both
    // stay private to the test.
    env.insert("TYPESTONE_AUTOSTART_DIR", QString::fromStdString((dir / "autostart").string()));
    env.insert("TYPESTONE_UNIT_DIR", QString::fromStdString((dir / "units").string()));
    env.insert("TYPESTONE_SYSTEMCTL", "");
    env.insert("TYPESTONE_ANY_PORTS", "1");
    return env;
}

} // namespace integration
