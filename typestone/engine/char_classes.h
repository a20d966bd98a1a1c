#pragma once
// The font mapper's character class table: one 32-bit entry per byte value saying whether the
// byte is printed with the current font (0), printed with another face (a face group), or drawn
// as lines and shades.

#include <array>
#include <cstdint>

namespace typestone {

inline constexpr uint32_t kClassActive = 0x80000000u; // taken out of the plain run
inline constexpr uint32_t kClassMapped = 0x40000000u; // bits 8-15 group, 0-7 byte to print
inline constexpr uint32_t kClassDrawn = 0x20000000u;  // bits 0-7 box-drawing routine 1..48
inline constexpr uint32_t kClassRun = 0x08000000u;    // with kClassDrawn: one call per run

inline constexpr int kFaceGroups = 8;

// Drawing routines 27..44 are the mixed single/double junctions (bytes 181-184, 189, 190, 198,
// 199, 207-216 in order), 45..48 the half blocks (bytes 220-223).
inline constexpr int kFirstMixedRoutine = 27;
inline constexpr int kFirstHalfBlockRoutine = 45;
inline constexpr int kLastRoutine = 48;

class CharClasses
{
public:
    CharClasses() { InitCharClasses(); }

    // Builds the table by its rule; every entry inactive.
    void InitCharClasses();
    // Clears every active bit, then activates the mapped entries (with `faces`) and the drawn
    // ones (with `draw`); byte 225 always stays inactive.
    void Activate(bool draw, bool faces);
    // Sets or clears the active bit of every drawn entry.
    void EnableBoxDrawing(bool on);

    uint32_t operator[](uint8_t byte) const { return m_entries[byte]; }
    const std::array<uint32_t, 256>& entries() const { return m_entries; }

    static int group(uint32_t entry) { return static_cast<int>((entry >> 8) & 0xFF); }
    static uint8_t lowByte(uint32_t entry) { return static_cast<uint8_t>(entry & 0xFF); }
    // The group value of group g (the bits a mapped entry of that group carries).
    static uint32_t groupValue(int g) { return kClassMapped | (static_cast<uint32_t>(g) << 8); }
    // The face of group 1..8.
    static const char* groupFace(int g);

private:
    std::array<uint32_t, 256> m_entries{};
};

} // namespace typestone
