#include "platform/draw/page_device.h"

namespace platform::draw {

PageDevice::~PageDevice() = default;

} // namespace platform::draw
