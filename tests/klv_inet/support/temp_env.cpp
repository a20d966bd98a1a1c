#include "temp_env.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

TempEnv::TempEnv()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "klv-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_dir = tmpl;
    if (const char* t = std::getenv("TMPDIR")) {
        m_hadTmp = true;
        m_oldTmp = t;
    }
    setenv("TMPDIR", m_dir.c_str(), 1);
}

TempEnv::~TempEnv()
{
    if (m_hadTmp)
        setenv("TMPDIR", m_oldTmp.c_str(), 1);
    else
        unsetenv("TMPDIR");
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
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
