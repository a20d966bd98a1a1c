#pragma once
// Environment variables for one scope: each variable named here is put back as it was when it
// was first named (set again, or cleared when it was not set), in the reverse order, when the
// object ends. Between, the test may change it as it likes.
//
//   ts::support::ScopedEnv env("TYPESTONE_REGISTRY", dir.path("registry.sqlite"));
//   env.set("XDG_STATE_HOME", std::nullopt); // cleared until the end of the scope
//   env.keep("TMPDIR");                      // only restored: the code under test sets it

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ts::support {

class ScopedEnv
{
public:
    ScopedEnv() = default;
    // Sets `name` to `value` (nullopt: clears it).
    ScopedEnv(const std::string& name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    void set(const std::string& name, const std::optional<std::string>& value);
    void unset(const std::string& name) { set(name, std::nullopt); }
    // Remembers the value only, to be put back at the end.
    void keep(const std::string& name);

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace ts::support
