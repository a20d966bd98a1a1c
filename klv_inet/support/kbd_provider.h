#pragma once
// Where the keyboard code comes from. GetKbd asks the current provider; code that depends on
// the keyboard (the host file transfer's character tables, the web update) reads the code
// through GetKbd, and tests put a provider of their own in place.

#include "klv_inet/support/klv_export.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace klv {

class KLV_EXPORT KbdProvider
{
public:
    KbdProvider() = default;
    virtual ~KbdProvider();
    KbdProvider(const KbdProvider&) = delete;
    KbdProvider& operator=(const KbdProvider&) = delete;

    // The keyboard code, upper-case ("SP", "US", ...). Called on any thread.
    virtual std::string keyboardCode() = 0;
};

// The system's provider: the active layout when one is named (WhatKbd of it), else the
// installed layouts (GetPCKeyboard of them). Both are read on every call.
class KLV_EXPORT LayoutKbdProvider final : public KbdProvider
{
public:
    using ActiveLayout = std::function<std::optional<std::string>()>;
    using InstalledLayouts = std::function<std::vector<std::string>()>;

    LayoutKbdProvider(ActiveLayout active, InstalledLayouts installed);

    // The settings store's current user "Keyboard Layout" value "Active" (an XKB layout name
    // such as "es"; an empty text names none) and the XKB layouts of `keyboardFile`.
    static std::shared_ptr<LayoutKbdProvider>
    system(const std::string& keyboardFile = "/etc/default/keyboard");

    std::string keyboardCode() override;

private:
    ActiveLayout m_active;
    InstalledLayouts m_installed;
};

// The active layout named by the settings store (see LayoutKbdProvider::system).
KLV_EXPORT std::optional<std::string> activeKbdLayoutSetting();

// The provider GetKbd asks now (the system's unless another was set).
KLV_EXPORT std::shared_ptr<KbdProvider> kbdProvider();
// Puts `provider` in place; nullptr restores the system's.
KLV_EXPORT void SetKbdProvider(std::shared_ptr<KbdProvider> provider);

} // namespace klv
