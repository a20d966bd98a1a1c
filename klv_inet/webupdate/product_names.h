#pragma once
// The names of an application's products in the update file: the sections "<app>_PLM" and
// then "<app>_KLV", keys "Product1", "Product2", ... up to the first missing or empty one;
// a name already listed (any case) is skipped.

#include "klv_inet/support/klv_export.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace klv {

class IniFile;

// More names than this in one section are not read.
inline constexpr unsigned kMaxProductsPerSection = 1000;

KLV_EXPORT std::vector<std::string> ParseProductNames(const IniFile& file, const std::string& app);

// For the fuzzing harness: the names of the application "Typestone" in `size` bytes.
KLV_EXPORT int KlvFuzzProductList(const uint8_t* data, size_t size);

} // namespace klv
