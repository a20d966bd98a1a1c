#include "klv_inet/support/local_file_name.h"

#include "klv_inet/support/library_text.h"
#include "klv_inet/support/path_utils.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr unsigned kStrNotFound = 572;
constexpr unsigned kStrRelative = 573;

bool hasContent(const std::string& path)
{
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(path, ec))
        return false;
    const auto n = fs::file_size(path, ec);
    return !ec && n > 0;
}

} // namespace

const char* FormWindowsLocalFName(const char* name, std::string* out, std::string* message)
{
    if (!out)
        return nullptr;
    out->clear();
    const std::string n = name ? name : "";
    std::error_code ec;
    std::string full;
    if (!n.empty()) {
        const fs::path abs = fs::absolute(n, ec);
        if (!ec)
            full = abs.lexically_normal().string();
    }
    std::string note;
    if (!full.empty() && full != n) {
        if (n.find('/') == std::string::npos && n.find(':') == std::string::npos) {
            std::string beside;
            FormFNameInAppPath(n.c_str(), beside);
            if (hasContent(beside)) {
                *out = beside;
                if (message)
                    message->clear();
                return out->c_str();
            }
        }
        note = klv::formatLibraryString(kStrRelative, {n, full});
    }
    if (hasContent(n) && !full.empty()) {
        if (message)
            *message = note;
        *out = full;
        return out->c_str();
    }
    if (message) {
        *message = klv::formatLibraryString(kStrNotFound, {n});
        if (!note.empty())
            *message += "\n" + note;
    }
    return out->c_str();
}
