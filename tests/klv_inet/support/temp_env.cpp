#include "temp_env.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

TempEnv::TempEnv() : m_dir(m_folder.path())
{
    if (!m_folder.ok())
        throw std::runtime_error(m_folder.error());
    m_env.set("TMPDIR", m_folder.path());
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
