#pragma once
// The byte tables and conversions of host file transfers: host bytes to Windows (OEM code
// page 437) bytes and back, text conversion of blocks, host and local file names, and the
// 16-bit checksum the host compares a partial file with.
//
// A few entries depend on the keyboard: a layout whose name holds "SP" (Spanish) maps them one
// way, any other the other way. The keyboard comes from a provider (by default "US"), asked
// when the tables are first used; tests and the keyboard detection put in their own.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace typestone {

// How a transfer converts the file's bytes: 0 not at all, 1 text through the tables, 2 text
// through the tables and the OEM code page.
enum : uint8_t
{
    kXferRaw = 0,
    kXferText = 1,
    kXferTextOem = 2,
};

struct TransferTables
{
    std::array<uint8_t, 256> winToHost{};
    std::array<uint8_t, 256> hostToWin{};
};

// The tables for a keyboard named `keyboard`.
TransferTables MakeTransferTables(std::string_view keyboard);

// The keyboard provider (empty: the PC's keyboard code); the tables follow it from the next use
// on.
void SetKeyboardProvider(std::function<std::string()> provider);
// The tables for the provider's keyboard.
const TransferTables& CurrentTransferTables();

// Host text to Windows: each byte through the table (mode 2 then to ANSI, 0xE7 to 0x80), and a
// line feed after each carriage return; appended to `out`. Mode 0 copies.
void HostToWindowsText(const TransferTables& t, uint8_t mode, const uint8_t* in, size_t count,
                       std::string* out);
// Windows text to host: carriage returns dropped (counted into *droppedCr when given), line
// feeds become carriage returns, bytes through the table (mode 2 first to OEM, 0x80 to 0xE7).
void WindowsToHostText(const TransferTables& t, uint8_t mode, const uint8_t* in, size_t count,
                       std::string* out, uint64_t* droppedCr = nullptr);

// Names: a local (ANSI) name in the host's set and back.
std::string ToHostName(const TransferTables& t, std::string_view windowsName);
std::string ToWindowsName(const TransferTables& t, std::string_view hostName);

// The XOR of the little-endian 16-bit words of a byte stream fed in pieces of any size; an
// odd last byte counts as a word whose high byte is 0.
class TransferChecksum
{
public:
    void feed(const uint8_t* bytes, size_t count);
    uint16_t value() const;

private:
    uint16_t m_sum = 0;
    bool m_odd = false;
    uint8_t m_carry = 0;
};

} // namespace typestone
