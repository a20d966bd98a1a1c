#include "tests/support/env/scoped_env.h"

#include <algorithm>
#include <cstdlib>

namespace ts::support {

ScopedEnv::ScopedEnv(const std::string& name, const std::optional<std::string>& value)
{
    set(name, value);
}

ScopedEnv::~ScopedEnv()
{
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->second)
            ::setenv(it->first.c_str(), it->second->c_str(), 1);
        else
            ::unsetenv(it->first.c_str());
    }
}

void ScopedEnv::keep(const std::string& name)
{
    const bool known =
        std::any_of(m_saved.begin(), m_saved.end(), [&](const auto& saved) { return saved.first == name; });
    if (known)
        return;
    const char* value = std::getenv(name.c_str());
    m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
}

void ScopedEnv::set(const std::string& name, const std::optional<std::string>& value)
{
    keep(name);
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
}

} // namespace ts::support
