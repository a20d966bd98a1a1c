#include "typestone/server/command_line.h"

#include "klv_inet/support/text_compare.h"

#include <cctype>
#include <string_view>

namespace typestone {
CommandLine ParseCommandLine(const std::string& line)
{
    CommandLine result;
    result.debug = line.size() >= 6 && klv::equalsNoCase(std::string_view(line).substr(0, 6), "/DEBUG");
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '-' && line[i] != '/')
            continue;
        const std::string_view rest = std::string_view(line).substr(i + 1);
        if (klv::equalsNoCase(rest, "i"))
            result.install = true;
        else if (klv::equalsNoCase(rest, "u"))
            result.uninstall = true;
        else if (klv::equalsNoCase(rest, "RegServer"))
            result.regServer = true;
        else if (klv::equalsNoCase(rest, "UnregServer"))
            result.unregServer = true;
        else if (klv::equalsNoCase(rest, "Embedding") || klv::equalsNoCase(rest, "Automation"))
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
