#pragma once
// Small helpers the spooler tests share: a temporary folder and file contents.

#include "tests/support/env/temp_dir.h"

#include <fstream>
#include <sstream>
#include <string>

namespace spooler_test {

using ts::support::TempDir;

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

inline void writeFile(const std::string& path, const std::string& data)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
}

// 1 MiB holding every byte value, in an order that is not a plain cycle.
inline std::string everyByteValue()
{
    std::string data(1024 * 1024, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
    return data;
}

// A small PDF-looking file: the header the spoolers check, binary bytes, and the trailer.
inline std::string pdfBytes()
{
    std::string data = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    for (int i = 0; i < 70000; ++i)
        data += static_cast<char>(i * 31 & 0xff);
    return data + "\n%%EOF\n";
}

} // namespace spooler_test
