#pragma once
// The banner on the start-up logo: the product word large and the version below it, in yellow
// over the picture.

#include <string>

namespace platform::draw {
class Dc;
class FontEngine;
} // namespace platform::draw

namespace typestone {

// Draws "Typestone" at 10, 10 in the large italic face and `version` at 10, 40 in the small
// one, yellow with a transparent background; the font selected before and the opaque
// background are put back afterwards.
void PaintBanner(platform::draw::Dc& dc, platform::draw::FontEngine& fonts, const std::string& version);

} // namespace typestone
