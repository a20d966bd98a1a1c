#include "typestone/server/banner.h"

#include "platform/draw/dc.h"
#include "platform/draw/font_engine.h"

namespace typestone {

namespace {

constexpr const char* kBannerFace = "MS Sans Serif";
constexpr platform::draw::Color kYellow{255, 255, 0};

platform::draw::FontHandle bannerFont(platform::draw::FontEngine& fonts, int height, bool italic)
{
    platform::draw::LogFont font = platform::draw::makeLogFont(kBannerFace, height);
    font.weight = platform::draw::kWeightNormal;
    font.italic = italic ? 1 : 0;
    return fonts.createFont(font);
}

} // namespace

void PaintBanner(platform::draw::Dc& dc, platform::draw::FontEngine& fonts, const std::string& version)
{
    const platform::draw::FontHandle small = bannerFont(fonts, -10, false);
    const platform::draw::FontHandle large = bannerFont(fonts, -20, true);
    dc.setTextColor(kYellow);
    dc.setBackgroundMode(platform::draw::BackgroundMode::Transparent);
    const platform::draw::FontHandle old = dc.selectFont(large);
    dc.textOut({10, 10}, "Typestone");
    dc.selectFont(small);
    dc.textOut({10, 40}, version);
    dc.selectFont(old);
    dc.setBackgroundMode(platform::draw::BackgroundMode::Opaque);
}

} // namespace typestone
