// Every fuzz target over its seed corpus and over the inputs that once made it fail, in the
// ordinary test suite: a fault a fuzzer found stays fixed.

#include "tests/fuzz/fuzz_target.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kData = TYPESTONE_FUZZ_DATA;

std::vector<std::string> g_failures;

void collect(const std::string& what)
{
    g_failures.push_back(what);
}

std::vector<fs::path> inputsOf(const char* kind, const std::string& target)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(kData / kind / target, ec))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> targetNames()
{
    std::vector<std::string> names;
    for (const auto& [name, fn] : fuzz::targets())
        names.push_back(name);
    return names;
}

class Replay : public ::testing::TestWithParam<std::string>
{
protected:
    void SetUp() override { fuzz::setFailureHandler(&collect); }
    void TearDown() override { fuzz::setFailureHandler(nullptr); }

    // Runs the target over every input of `kind`; the number of inputs.
    size_t replay(const char* kind)
    {
        const fuzz::TargetFn target = fuzz::targets().at(GetParam());
        const auto files = inputsOf(kind, GetParam());
        for (const fs::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            g_failures.clear();
            target(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            for (const auto& f : g_failures)
                ADD_FAILURE() << file.string() << ": " << f;
        }
        return files.size();
    }
};

TEST_P(Replay, SeedCorpusHolds)
{
    EXPECT_GT(replay("corpus"), 0u) << "no seeds in corpus/" << GetParam();
}

TEST_P(Replay, RegressionInputsHold)
{
    replay("regressions");
}

INSTANTIATE_TEST_SUITE_P(Targets, Replay, ::testing::ValuesIn(targetNames()),
                         [](const auto& p) { return p.param; });

// A folder whose name matches no target would never be replayed.
TEST(ReplayLayout, EveryInputFolderHasItsTarget)
{
    for (const char* kind : {"corpus", "regressions"}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(kData / kind, ec)) {
            if (entry.is_directory()) {
                EXPECT_EQ(fuzz::targets().count(entry.path().filename().string()), 1u)
                    << kind << "/" << entry.path().filename().string();
            }
        }
    }
}

} // namespace
