#include "klv_inet/support/kbd_provider.h"

#include "klv_inet/support/kbd.h"
#include "klv_inet/support/reg_entry.h"

#include "platform/sysinfo/xkb_layouts.h"

#include <mutex>
#include <utility>

namespace klv {
namespace {

std::mutex& providerMutex()
{
    static std::mutex m;
    return m;
}

std::shared_ptr<KbdProvider>& currentProvider()
{
    // Never destroyed: a thread that outlives main() may still ask for the keyboard.
    static auto* const provider = new std::shared_ptr<KbdProvider>;
    return *provider;
}

} // namespace

KbdProvider::~KbdProvider() = default;

LayoutKbdProvider::LayoutKbdProvider(ActiveLayout active, InstalledLayouts installed)
    : m_active(std::move(active)), m_installed(std::move(installed))
{
}

std::shared_ptr<LayoutKbdProvider> LayoutKbdProvider::system(const std::string& keyboardFile)
{
    return std::make_shared<LayoutKbdProvider>(
        activeKbdLayoutSetting, [keyboardFile] { return platform::sysinfo::xkbLayouts(keyboardFile); });
}

std::string LayoutKbdProvider::keyboardCode()
{
    if (m_active)
        if (const std::optional<std::string> active = m_active(); active && !active->empty())
            return WhatKbd(*active);
    return GetPCKeyboard(m_installed ? m_installed() : std::vector<std::string>{});
}

std::optional<std::string> activeKbdLayoutSetting()
{
    char buffer[platform::sysinfo::kMaxXkbLayoutName + 1] = {};
    uint32_t size = sizeof buffer;
    if (GetRegistryEntry("Keyboard Layout", "Active", buffer, &size, platform::RegRoot::CurrentUser) != 1)
        return std::nullopt;
    buffer[sizeof buffer - 1] = '\0';
    return std::string(buffer);
}

std::shared_ptr<KbdProvider> kbdProvider()
{
    std::lock_guard lock(providerMutex());
    std::shared_ptr<KbdProvider>& provider = currentProvider();
    if (!provider)
        provider = LayoutKbdProvider::system();
    return provider;
}

void SetKbdProvider(std::shared_ptr<KbdProvider> provider)
{
    std::lock_guard lock(providerMutex());
    currentProvider() = std::move(provider);
}

} // namespace klv
