#include "typestone/server/command_line.h"

#include <cctype>
#include <string_view>

namespace typestone {
namespace {

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

CommandLine ParseCommandLine(const std::string& line)
{
    CommandLine result;
    result.debug = line.size() >= 6 && equalsNoCase(std::string_view(line).substr(0, 6), "/DEBUG");
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '-' && line[i] != '/')
            continue;
        const std::string_view rest = std::string_view(line).substr(i + 1);
        if (equalsNoCase(rest, "i"))
            result.install = true;
        else if (equalsNoCase(rest, "u"))
            result.uninstall = true;
        else if (equalsNoCase(rest, "RegServer"))
            result.regServer = true;
        else if (equalsNoCase(rest, "UnregServer"))
            result.unregServer = true;
        else if (equalsNoCase(rest, "Embedding") || equalsNoCase(rest, "Automation"))
            result.embedding = true;
    }
    return result;
}

std::string JoinArguments(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

} // namespace typestone
