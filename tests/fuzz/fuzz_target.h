#pragma once
// One fuzz target per parser of outside input: FUZZ_TARGET(name) { ... data, size ... }.
//
// In the libFuzzer build (TYPESTONE_FUZZ_ENTRY) the body is the program's
// LLVMFuzzerTestOneInput. In the ordinary build it registers itself under its name, so that
// the replay test runs every target over its seed corpus and its saved regression inputs.
//
// A property that does not hold is reported with FUZZ_CHECK: under libFuzzer the report is
// followed by an abort (libFuzzer keeps the input); in the replay test it is a test failure.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace fuzz {

using TargetFn = int (*)(const uint8_t* data, size_t size);

// The targets linked into this program, by name.
std::map<std::string, TargetFn>& targets();
bool registerTarget(const char* name, TargetFn fn);

// What a failed check does: by default prints `what` and aborts.
using FailureHandler = void (*)(const std::string& what);
void setFailureHandler(FailureHandler handler);
void fail(const char* condition, const char* file, int line);

} // namespace fuzz

#define FUZZ_CHECK(cond) ((cond) ? (void)0 : ::fuzz::fail(#cond, __FILE__, __LINE__))

#ifdef TYPESTONE_FUZZ_ENTRY
#define FUZZ_TARGET(name) extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
#else
#define FUZZ_TARGET(name)                                                                                    \
    static int fuzz_target_##name(const uint8_t* data, size_t size);                                         \
    [[maybe_unused]] static const bool fuzz_registered_##name =                                              \
        ::fuzz::registerTarget(#name, &fuzz_target_##name);                                                  \
    static int fuzz_target_##name(const uint8_t* data, size_t size)
#endif
