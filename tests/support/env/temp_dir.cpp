#include "tests/support/env/temp_dir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace ts::support {
namespace {

std::string systemTemp()
{
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec || !base.is_absolute() || !fs::is_directory(base, ec))
        return "/tmp";
    std::string text = base.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// Gives the owner back the rights a test took away, so that everything can be removed.
void restoreOwnerRights(const fs::path& root)
{
    std::error_code ec;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
}

} // namespace

TempDir::TempDir(std::string_view prefix)
{
    std::string pattern = systemTemp() + "/" + std::string(prefix) + "-XXXXXX";
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
    else
        m_error = "cannot make a folder like " + pattern + ": " + std::strerror(errno);
}

TempDir::~TempDir()
{
    if (m_path.empty())
        return;
    std::error_code ec;
    fs::remove_all(m_path, ec);
    if (ec) {
        restoreOwnerRights(m_path);
        fs::remove_all(m_path, ec);
    }
}

std::string TempDir::path(std::string_view name) const
{
    return m_path + "/" + std::string(name);
}

} // namespace ts::support
