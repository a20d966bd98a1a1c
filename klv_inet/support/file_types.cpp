#include "klv_inet/support/file_types.h"

#include "klv_inet/support/text_compare.h"

#include <string>

int IsFileExt(const char* path, const char* ext)
{
    if (!path || !*path || !ext)
        return 0;
    std::string name = path;
    auto cut = name.rfind('\\');
    if (cut == std::string::npos)
        cut = name.rfind('/');
    if (cut != std::string::npos)
        name.erase(0, cut + 1);
    const auto colon = name.rfind(':');
    if (colon != std::string::npos) {
        if (name.size() - colon - 1 == 1)
            name.erase(colon);
        else
            name.erase(0, colon + 1);
    }
    const auto dot = name.rfind('.');
    if (dot == std::string::npos)
        return 0;
    return klv::equalsNoCase(std::string_view(name).substr(dot), ext) ? 1 : 0;
}

int IsBMP(const char* path)
{
    return IsFileExt(path, ".bmp");
}

int IsJPG(const char* path)
{
    return IsFileExt(path, ".jpg");
}

int IsVALDORPath(const char* name)
{
    if (!name)
        return 0;
    const std::string n = name;
    if (n.find('\\') != std::string::npos)
        return 0;
    const auto colon = n.find(':');
    if (colon == std::string::npos)
        return 1;
    return colon + 2 == n.size() ? 1 : 0;
}
