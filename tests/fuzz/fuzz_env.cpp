#include "tests/fuzz/fuzz_env.h"

#include "platform/settings/settings_store.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fuzz {
namespace fs = std::filesystem;

namespace {

std::string makeScratch()
{
    std::error_code ec;
    fs::path base = "/dev/shm";
    if (!fs::is_directory(base, ec))
        base = fs::temp_directory_path(ec);
    std::string pattern = (base / "typestone-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    static const std::string made = pattern;
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(made, ignored);
    });
    return made;
}

} // namespace

const std::string& scratchFolder()
{
    static const std::string folder = makeScratch();
    return folder;
}

void useStore(const std::string& path)
{
    const char* current = std::getenv("TYPESTONE_REGISTRY");
    if (current != nullptr && path == current)
        return;
    ::setenv("TYPESTONE_REGISTRY", path.c_str(), 1);
    platform::SettingsStore::resetShared();
}

void dropStore(const std::string& path)
{
    // The variable stays: a later open makes an empty store there, never the user's own.
    platform::SettingsStore::resetShared();
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        fs::remove(path + suffix, ec);
}

bool writeFile(const std::string& path, const void* data, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace fuzz
