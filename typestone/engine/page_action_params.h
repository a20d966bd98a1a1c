#pragma once
// The parameter blocks of the page-action and record commands.

#include "typestone/engine/esc_block.h"
#include "typestone/engine/host_file_link.h"
#include "typestone/engine/page_action.h"

#include <cstdint>
#include <string>

namespace typestone {

// RecPage (21): the page range.
struct RecPageParams
{
    static constexpr uint32_t kMinLen = PageRange::kSize;
    PageRange range;

    bool decode(const EscBlock& block);
};

// InsertField (22): u16 type at 0, the zero-terminated format (host characters) from 2.
struct InsertFieldParams
{
    static constexpr uint32_t kMinLen = 6;
    uint16_t type = 0;
    std::string format; // as the host sent it, up to its NUL

    bool decode(const EscBlock& block);
};

// PrtRecord (23): u8 separator at 0, the zero-terminated record (host characters) from 1.
struct PrtRecordParams
{
    static constexpr uint32_t kMinLen = 5;
    uint8_t separator = 0;
    std::string text;

    bool decode(const EscBlock& block);
};

// PrtFileRecords (24): u16 flags at 0, u8 separator at 2, u16 first record at 3, u16 record
// count at 5 (0: all), the host file facts at 7..24, the zero-terminated file name from 25.
struct PrtFileRecordsParams
{
    static constexpr uint32_t kMinLen = 29;
    // flags: bit 15 a local file (else a host file); bits 10-12 as for PrintFile.
    static constexpr uint16_t kLocalFile = 0x8000;
    uint16_t flags = 0;
    uint8_t separator = 0;
    uint16_t first = 0;
    uint16_t count = 0;
    HostFileFacts facts{};
    std::string name;

    bool decode(const EscBlock& block);
};

} // namespace typestone
