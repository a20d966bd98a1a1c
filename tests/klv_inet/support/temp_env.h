#pragma once
// A private folder for one test, used as TMPDIR and as the home of the test's settings store.

#include <cstdlib>
#include <filesystem>
#include <string>

class TempEnv
{
public:
    TempEnv();
    ~TempEnv();
    TempEnv(const TempEnv&) = delete;
    TempEnv& operator=(const TempEnv&) = delete;

    const std::filesystem::path& dir() const { return m_dir; }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }

private:
    std::filesystem::path m_dir;
    std::string m_oldTmp;
    bool m_hadTmp = false;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
