#include "typestone/engine/char_classes.h"

#include <cstddef>

namespace typestone {

void CharClasses::InitCharClasses()
{
    auto& e = m_entries;
    e.fill(0);
    e[0] = e[127] = e[255] = 0x40000020u; // group 0 (no face): a space in the current font

    struct Drawn
    {
        uint8_t byte;
        uint8_t routine;
    };
    static const Drawn drawn[] = {{176, 23}, {177, 24}, {178, 25}, {179, 1},  {180, 2},  {185, 3},  {186, 4},
                                  {187, 5},  {188, 6},  {191, 7},  {192, 8},  {193, 9},  {194, 10}, {195, 11},
                                  {196, 12}, {197, 13}, {200, 14}, {201, 15}, {202, 16}, {203, 17}, {204, 18},
                                  {205, 19}, {206, 20}, {217, 21}, {218, 22}, {219, 26}};
    for (const Drawn& d : drawn)
        e[d.byte] = kClassDrawn | d.routine;
    // The junctions that mix single and double lines, and the half blocks, are drawn on the same
    // cell geometry too: a face's glyphs for them are thicker than the drawn strokes, sit
    // elsewhere in the cell and do not meet the neighbouring lines.
    static const uint8_t mixed[] = {181, 182, 183, 184, 189, 190, 198, 199, 207, 208, 209,
                                    210, 211, 212, 213, 214, 215, 216, 220, 221, 222, 223};
    for (size_t i = 0; i < sizeof mixed; ++i)
        e[mixed[i]] = kClassDrawn | static_cast<uint32_t>(kFirstMixedRoutine + i);
    e[196] |= kClassRun;
    e[205] |= kClassRun;

    auto map = [&](int byte, int grp, int out) { e[byte] = groupValue(grp) | static_cast<uint32_t>(out); };
    for (int b = 1; b <= 31; ++b)
        map(b, 1, b);
    // Greek letters and mathematical signs from the Symbol face.
    static const uint8_t symbol[] = {0x61, 0x62, 0x47, 0x70, 0xE5, 0x73, 0x6D, 0x67, 0x46, 0x71,
                                     0x57, 0x64, 0xA5, 0xC6, 0x65, 0xC7, 0xBA, 0xB1, 0xB3, 0xA3,
                                     0xF3, 0xF5, 0xB8, 0xBB, 0xB0, 0xB7, 0xD7, 0xD6, 0x68};
    for (int i = 0; i < 29; ++i)
        map(224 + i, 2, symbol[i]);
    map(254, 6, 0xFE);
    map(253, 6, 0xFD);
    for (int b = 155; b <= 158; ++b)
        map(b, 3, b);
    map(169, 7, 169);
    for (uint8_t b : {152, 166, 167})
        map(b, 8, b);
    map(1, 4, 0xA9);
    map(2, 4, 0xAE);
    map(15, 5, 0x80);
    map(30, 6, 0xFD);
}

void CharClasses::Activate(bool draw, bool faces)
{
    for (auto& entry : m_entries) {
        entry &= ~kClassActive;
        if ((faces && (entry & kClassMapped)) || (draw && (entry & kClassDrawn)))
            entry |= kClassActive;
    }
    m_entries[225] &= ~kClassActive;
}

void CharClasses::EnableBoxDrawing(bool on)
{
    for (auto& entry : m_entries) {
        if (!(entry & kClassDrawn))
            continue;
        if (on)
            entry |= kClassActive;
        else
            entry &= ~kClassActive;
    }
}

const char* CharClasses::groupFace(int g)
{
    static const char* faces[kFaceGroups + 1] = {"",         "Terminal",        "Symbol",
                                                 "Terminal", "Times New Roman", "Courier New",
                                                 "Terminal", "Terminal",        "Terminal"};
    return g >= 0 && g <= kFaceGroups ? faces[g] : "";
}

} // namespace typestone
