#pragma once
// The parameter blocks of the image and QR-code commands (the bitmap command's block is a
// PRT_BMP_DATA, prt_bmp_data.h; the barcode command's is in barcode_command.h).

#include "typestone/engine/esc_block.h"
#include "typestone/engine/host_file_link.h"

#include <cstdint>
#include <string>

namespace typestone {

// PrtImage (12): u16 options at 0, the host file facts (18 bytes) at 2, the file name from 20
// (zero-terminated; at most to the end of the block).
struct PrtImageParams
{
    static constexpr uint32_t kMinLen = 24;
    uint16_t options = 0;
    HostFileFacts facts{};
    std::string name;

    bool decode(const EscBlock& block);
    std::string describe() const;
};

// QRCode (27): the BMP file name (256 bytes) at 0, u16 flags at 256 (bit 0 write the file,
// bit 1 print the symbol; the rest are the picture's options), the colour's blue, green and
// red bytes at 258..260, u16 module size at 266 (0: 8 pixels), the text from 270.
struct QRCodeParams
{
    static constexpr uint32_t kMinLen = 274;
    static constexpr uint16_t kWriteFile = 1;
    static constexpr uint16_t kPrint = 2;
    std::string fileName;
    uint16_t flags = 0;
    uint8_t blue = 0, green = 0, red = 0;
    uint16_t moduleSize = 0;
    std::string text;

    bool decode(const EscBlock& block);
    std::string describe() const;
    // The Windows colour value 0x00BBGGRR of the three bytes.
    uint32_t colorRef() const { return red | (uint32_t{green} << 8) | (uint32_t{blue} << 16); }
};

} // namespace typestone
