#pragma once
// A text layout that only remembers what it was asked, so that a command's effect on the
// formatter can be checked without one.

#include "typestone/engine/text_layout.h"

#include <climits>
#include <string>
#include <vector>

namespace typestone::test {

class RecordingLayout : public TextLayout
{
public:
    struct DefinedRect
    {
        platform::draw::Rect rect;
        int number = 0;
        int firstPage = 0;
        int lastPage = 0;
        uint32_t options = 0;
    };

    std::vector<std::string> calls; // one line per call, in order
    std::vector<DefinedRect> defined;
    platform::draw::LogFont font{};
    uint16_t attr = 0;
    uint16_t align = 0;
    uint16_t effect = 0;
    int rotation = 0;
    bool rectStyle = false;
    platform::draw::Point pos;
    platform::draw::Rect area;
    int result = 1; // what the rectangle calls answer

    uint16_t AttrWord() const override { return attr; }
    void SetAttrWord(uint16_t a) override
    {
        attr = a;
        log("SetAttrWord", a);
    }
    void SetFont(const platform::draw::LogFont& lf) override
    {
        font = lf;
        log("SetFont", lf.height, lf.width);
    }
    void SetTextColor(uint32_t c) override { log("SetTextColor", static_cast<long>(c)); }
    void SetBkColor(uint32_t c) override { log("SetBkColor", static_cast<long>(c)); }
    void SetBkMode(int mode) override { log("SetBkMode", mode); }
    void SetAlignWord(uint16_t a) override { log("SetAlignWord", a); }
    void SetAlign(uint16_t a, platform::draw::Dc*) override
    {
        align = a;
        log("SetAlign", a);
    }
    uint16_t AlignWord() const override { return align; }
    void SetEffect(uint16_t e, platform::draw::Dc*) override
    {
        effect = e;
        log("SetEffect", e);
    }
    uint16_t Effect() const override { return effect; }
    void SetRotation(int degrees) override
    {
        rotation = degrees;
        log("SetRotation", degrees);
    }
    int Rotation() const override { return rotation; }
    void SetRectStyle(bool on) override
    {
        rectStyle = on;
        log("SetRectStyle", on ? 1 : 0);
    }
    void DrawFrame(platform::draw::Dc*) override { calls.push_back("DrawFrame"); }
    void FillArea(platform::draw::Dc*, uint16_t bits) override { log("FillArea", bits); }
    int DefineRect(platform::draw::Dc*, const platform::draw::Rect& r, int number, int firstPage,
                   int lastPage, uint32_t options) override
    {
        defined.push_back({r, number, firstPage, lastPage, options});
        log("DefineRect", number);
        return result;
    }
    int SelectRect(int number, platform::draw::Dc*, bool memo) override
    {
        log("SelectRect", number, memo ? 1 : 0);
        return result;
    }
    int SetRectPages(int position, int lastPage, uint32_t options) override
    {
        log("SetRectPages", position, lastPage, static_cast<long>(options));
        return result;
    }
    int SetPos(platform::draw::Dc*, int number, int x, int y) override
    {
        pos = {x, y};
        log("SetPos", number, x, y);
        return result;
    }
    platform::draw::Point Pos() const override { return pos; }
    platform::draw::Rect CurrentArea() const override { return area; }

private:
    void log(const char* name, long a, long b = LONG_MIN, long c = LONG_MIN, long d = LONG_MIN)
    {
        std::string line = std::string(name) + " " + std::to_string(a);
        for (long v : {b, c, d})
            if (v != LONG_MIN)
                line += " " + std::to_string(v);
        calls.push_back(line);
    }
};

} // namespace typestone::test
