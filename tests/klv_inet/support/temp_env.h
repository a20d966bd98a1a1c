#pragma once
// A private folder for one test, used as TMPDIR and as the home of the test's settings store.

#include "tests/support/env/scoped_env.h"
#include "tests/support/env/temp_dir.h"

#include <filesystem>
#include <string>

class TempEnv
{
public:
    TempEnv();
    TempEnv(const TempEnv&) = delete;
    TempEnv& operator=(const TempEnv&) = delete;

    const std::filesystem::path& dir() const { return m_dir; }
    std::string path(const std::string& name) const { return m_folder.path(name); }

private:
    ts::support::TempDir m_folder{"klv-test"};
    std::filesystem::path m_dir;
    ts::support::ScopedEnv m_env;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
