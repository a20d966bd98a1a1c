// The stored device settings record of a shared printer ("NewDevMode"). Property: a record
// that is read writes back to a record that reads as the same settings, and that record is
// stable from then on.

#include "tests/fuzz/fuzz_target.h"

#include "typestone/server/dev_mode.h"

#include <string>
#include <vector>

using typestone::DevMode;

FUZZ_TARGET(dev_mode)
{
    std::string error;
    const std::optional<DevMode> mode = DevMode::fromBytes(data, size, &error);
    if (!mode) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(mode->deviceName().size() < DevMode::kDeviceNameSize);
    (void)mode->toPrintOptions();

    const std::vector<uint8_t> written = mode->toBytes();
    FUZZ_CHECK(written.size() >= DevMode::kFixedSize && written.size() <= DevMode::kMaxSize);
    std::string again;
    const std::optional<DevMode> reread = DevMode::fromBytes(written.data(), written.size(), &again);
    FUZZ_CHECK(reread.has_value());
    if (!reread)
        return 0;
    FUZZ_CHECK(reread->deviceName() == mode->deviceName());
    FUZZ_CHECK(reread->settings == mode->settings);
    FUZZ_CHECK(reread->toBytes() == written);
    return 0;
}
