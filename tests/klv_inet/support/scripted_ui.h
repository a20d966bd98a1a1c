#pragma once
// Installs a scripted user-interface bridge for the life of a test.

#include "tests/support/ui/scripted_ui_bridge.h"

#include <memory>

class ScriptedUi
{
public:
    ScriptedUi() : m_ui(std::make_shared<platform::ui::ScriptedUiBridge>()) { platform::ui::setBridge(m_ui); }
    ~ScriptedUi() { platform::ui::setBridge(nullptr); }
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    platform::ui::ScriptedUiBridge* operator->() const { return m_ui.get(); }
    platform::ui::ScriptedUiBridge& operator*() const { return *m_ui; }

    // The message boxes shown so far.
    std::vector<platform::ui::ScriptedUiBridge::Call> boxes() const
    {
        std::vector<platform::ui::ScriptedUiBridge::Call> out;
        for (const auto& c : m_ui->calls())
            if (c.kind == platform::ui::ScriptedUiBridge::Call::Kind::MessageBox)
                out.push_back(c);
        return out;
    }

private:
    std::shared_ptr<platform::ui::ScriptedUiBridge> m_ui;
};
