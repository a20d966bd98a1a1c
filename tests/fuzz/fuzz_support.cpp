#include "tests/fuzz/fuzz_target.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {
namespace {

void printAndAbort(const std::string& what)
{
    std::fprintf(stderr, "fuzz property failed: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

FailureHandler g_handler = &printAndAbort;

} // namespace

std::map<std::string, TargetFn>& targets()
{
    static std::map<std::string, TargetFn> all;
    return all;
}

bool registerTarget(const char* name, TargetFn fn)
{
    targets()[name] = fn;
    return true;
}

void setFailureHandler(FailureHandler handler)
{
    g_handler = handler ? handler : &printAndAbort;
}

void fail(const char* condition, const char* file, int line)
{
    g_handler(std::string(file) + ":" + std::to_string(line) + ": " + condition);
}

} // namespace fuzz
