#pragma once
// Recorded page actions: a host records part of its stream (a page header, a footer) while a
// page range is current, and the engine plays it again at the top of the later pages the range
// selects. An action is a run of text bytes as they came (control bytes included) or one
// command block (its header and parameters).

#include "typestone/engine/esc_block.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace typestone {

// The 6-byte parameter block of RecPage: u16 first page (0: none), u16 last page (0: open
// end), u16 flags.
struct PageRange
{
    static constexpr size_t kSize = 6;
    // flags: bits 0-1 the mode (0 stop, 1 record, 2 and 3 keep the range without recording),
    // bit 7 play on even pages after the first, bit 8 on odd ones, bit 15 store only.
    static constexpr uint16_t kModeMask = 0x0003;
    static constexpr uint16_t kModeRecord = 0x0001;
    static constexpr uint16_t kEvenPages = 0x0080;
    static constexpr uint16_t kOddPages = 0x0100;
    static constexpr uint16_t kRecordOnly = 0x8000;

    uint16_t first = 0;
    uint16_t last = 0;
    uint16_t flags = 0;

    static PageRange decode(const uint8_t* bytes);
    uint16_t mode() const { return flags & kModeMask; }
    bool records() const { return mode() == kModeRecord; }
    bool recordOnly() const { return records() && (flags & kRecordOnly) != 0; }
};

class CPageAction
{
public:
    // A text action holding `text`.
    CPageAction(const PageRange& range, std::string text);
    // A command action: the 12 header bytes and `length` parameter bytes.
    CPageAction(const PageRange& range, const uint8_t* header, const uint8_t* params, uint32_t length);

    const PageRange& Range() const { return m_range; }
    bool IsCommand() const { return m_isCommand; }
    const std::string& Text() const { return m_text; }
    const uint8_t* Header() const { return m_header.data(); }
    const std::vector<uint8_t>& Params() const { return m_params; }
    // A text action grows by one byte at a time while the host's text runs on.
    void AppendText(uint8_t byte) { m_text += static_cast<char>(byte); }

    // A text action with text, or a command action.
    bool IsValid() const { return m_isCommand || !m_text.empty(); }
    // Whether the action plays on page `page`: never when invalid or outside the range; always
    // on the range's first page (and before it, which only page 0 can be with first 0); after
    // it by the page's parity.
    bool PlaysOn(unsigned page) const;
    // Invalid, or past the range's last page: it can never play again.
    bool FinishedFor(unsigned page) const;
    // What the action holds, for the bound on recording (with its own bookkeeping).
    size_t Footprint() const;

private:
    PageRange m_range;
    bool m_isCommand = false;
    std::string m_text;
    std::array<uint8_t, kEscHeaderSize> m_header{};
    std::vector<uint8_t> m_params;
};

} // namespace typestone
