#pragma once
// The job record a VALDOR host sends in its job request: the printer, its share password, the
// page grid, the options, the colour and the document and output names. The connection reads
// it from the request; the engine prints the job by it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace typestone {

inline constexpr size_t kInitDataSize = 783;

// options bit 0: the data goes to the printer as it is ("BYPASS"); clear: interpreted.
inline constexpr uint16_t kOptionBypass = 0x0001;

#pragma pack(push, 1)
struct INIT_DATA
{
    char printer[255];
    char password[9];
    uint16_t cols;
    uint16_t rows;
    uint16_t options;
    uint8_t snd_color;
    char docname[256];
    char output[256];
};
#pragma pack(pop)
static_assert(sizeof(INIT_DATA) == kInitDataSize, "INIT_DATA is 783 bytes");

// All text zero, 80 columns, 58 rows, options 0, colour 15.
INIT_DATA DefaultInitData();

// A text field as a string: up to the first NUL, never beyond `width` bytes, so a host that
// fills a field to the last byte cannot make us read past it.
std::string FieldText(const char* field, size_t width);

template <size_t N> std::string FieldText(const char (&field)[N])
{
    return FieldText(field, N);
}

} // namespace typestone
