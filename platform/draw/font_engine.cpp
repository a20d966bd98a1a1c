#include "platform/draw/font_engine.h"

namespace platform::draw {

FontEngine::~FontEngine() = default;

} // namespace platform::draw
