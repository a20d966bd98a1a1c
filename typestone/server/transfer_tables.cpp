#include "typestone/server/transfer_tables.h"

#include "klv_inet/support/kbd.h"

#include "platform/charset/oem_ansi.h"

#include <mutex>

namespace typestone {
namespace {

// Windows (OEM) to host, 0x80..0xFF; 0 marks the keyboard's entries.
constexpr uint8_t kWinToHostHigh[128] = {
    0xD8, 0xD4, 0xC9, 0xC2, 0xC1, 0xC3, 0xDF, 0xD9, 0xC7, 0xC6, 0xC8, 0xCA, 0xCB, 0xCC, 0xC0, 0xDE, // 8x
    0xC5, 0xDD, 0xDC, 0xD0, 0xCF, 0xD1, 0xD5, 0xD6, 0x00, 0xCE, 0xD3, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, // 9x
    0xC4, 0xCD, 0xD2, 0xD7, 0xDB, 0xDA, 0x00, 0x00, 0xE1, 0x20, 0x20, 0xE9, 0xE8, 0xE2, 0x20, 0x20, // Ax
    0xAB, 0x20, 0xAC, 0xAA, 0xA6, 0x20, 0x20, 0x20, 0x20, 0xB5, 0xB9, 0xB0, 0xB1, 0x20, 0x20, 0xA1, // Bx
    0xA3, 0xA8, 0xA7, 0xA5, 0xA9, 0xA4, 0x20, 0x20, 0xB2, 0xAF, 0xB7, 0xB6, 0xB4, 0xB8, 0xB3, 0x20, // Cx
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0xA2, 0xA0, 0xAE, 0x20, 0x20, 0x20, 0xAE, // Dx
    0x20, 0x00, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, // Ex
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0xEC, 0x20, 0x20, 0x20, 0x20, 0xED, 0x20, 0x20, // Fx
};

// Host to Windows (OEM), 0xA0..0xFF; 0 marks the keyboard's entries.
constexpr uint8_t kHostToWinHigh[96] = {
    0xDA, 0xBF, 0xD9, 0xC0, 0xC5, 0xC3, 0xB4, 0xC2, 0xC1, 0xC4, 0xB3, 0xB0, 0xB2, 0xDF, 0xDB, 0xC9, // Ax
    0xBB, 0xBC, 0xC8, 0xCE, 0xCC, 0xB9, 0xCB, 0xCA, 0xCD, 0xBA, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, // Bx
    0x8E, 0x84, 0x83, 0x85, 0xA0, 0x90, 0x89, 0x88, 0x8A, 0x82, 0x8B, 0x8C, 0x8D, 0xA1, 0x99, 0x94, // Cx
    0x93, 0x95, 0xA2, 0x9A, 0x81, 0x96, 0x97, 0xA3, 0x80, 0x87, 0xA5, 0xA4, 0x92, 0x91, 0x8F, 0x86, // Dx
    0x00, 0xA8, 0xAD, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F, 0xAC, 0xAB, 0x00, 0x15, 0xF8, 0xFD, 0x20, 0x20, // Ex
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, // Fx
};

std::mutex g_keyboardMutex;
std::function<std::string()> g_keyboard;
std::string g_tablesFor;
TransferTables g_tables;
bool g_tablesMade = false;

} // namespace

TransferTables MakeTransferTables(std::string_view keyboard)
{
    TransferTables t;
    for (int i = 0; i < 128; ++i)
        t.winToHost[size_t(i)] = uint8_t(i);
    t.winToHost[0x15] = 0xEB;
    for (int i = 0; i < 128; ++i)
        t.winToHost[size_t(0x80 + i)] = kWinToHostHigh[i];
    for (int i = 0; i < 0xA0; ++i)
        t.hostToWin[size_t(i)] = uint8_t(i);
    for (int i = 0; i < 96; ++i)
        t.hostToWin[size_t(0xA0 + i)] = kHostToWinHigh[i];
    if (keyboard.find("SP") != std::string_view::npos) {
        t.winToHost[0x98] = 0x32;
        t.winToHost[0xA6] = 0xE0;
        t.winToHost[0xA7] = 0xEA;
        t.winToHost[0xE1] = 0x32;
        t.hostToWin[0xE0] = 0xA6;
        t.hostToWin[0xEA] = 0xA7;
    } else {
        t.winToHost[0x98] = 0xEA;
        t.winToHost[0xA6] = 0x32;
        t.winToHost[0xA7] = 0x32;
        t.winToHost[0xE1] = 0xE0;
        t.hostToWin[0xE0] = 0xE1;
        t.hostToWin[0xEA] = 0x98;
    }
    return t;
}

void SetKeyboardProvider(std::function<std::string()> provider)
{
    std::lock_guard lock(g_keyboardMutex);
    g_keyboard = std::move(provider);
    g_tablesMade = false;
}

const TransferTables& CurrentTransferTables()
{
    std::lock_guard lock(g_keyboardMutex);
    if (!g_tablesMade) {
        if (g_keyboard) {
            g_tablesFor = g_keyboard();
        } else {
            GetKbd(g_tablesFor, 0, 0); // the PC keyboard, asking nobody
        }
        if (g_tablesFor.empty())
            g_tablesFor = "US";
        g_tables = MakeTransferTables(g_tablesFor);
        g_tablesMade = true;
    }
    return g_tables;
}

void HostToWindowsText(const TransferTables& t, uint8_t mode, const uint8_t* in, size_t count,
                       std::string* out)
{
    if (mode == kXferRaw) {
        out->append(reinterpret_cast<const char*>(in), count);
        return;
    }
    out->reserve(out->size() + count * 2);
    for (size_t i = 0; i < count; ++i) {
        uint8_t b = t.hostToWin[in[i]];
        if (mode == kXferTextOem) {
            if (b == 0xE7) {
                b = 0x80;
            } else {
                char c = char(b);
                platform::charset::oemToAnsiInPlace(&c, 1);
                b = uint8_t(c);
            }
        }
        out->push_back(char(b));
        if (in[i] == '\r')
            out->push_back('\n');
    }
}

void WindowsToHostText(const TransferTables& t, uint8_t mode, const uint8_t* in, size_t count,
                       std::string* out, uint64_t* droppedCr)
{
    if (mode == kXferRaw) {
        out->append(reinterpret_cast<const char*>(in), count);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        uint8_t b = in[i];
        if (b == '\r') {
            if (droppedCr != nullptr)
                ++*droppedCr;
            continue;
        }
        if (b == '\n')
            b = '\r';
        if (mode == kXferTextOem) {
            if (b == 0x80) {
                out->push_back(char(0xE7));
                continue;
            }
            char c = char(b);
            platform::charset::ansiToOemInPlace(&c, 1);
            b = uint8_t(c);
        }
        out->push_back(char(t.winToHost[b]));
    }
}

std::string ToHostName(const TransferTables& t, std::string_view windowsName)
{
    std::string name = platform::charset::ansiToOem(windowsName);
    for (auto& c : name)
        c = char(t.winToHost[uint8_t(c)]);
    return name;
}

std::string ToWindowsName(const TransferTables& t, std::string_view hostName)
{
    std::string name(hostName);
    for (auto& c : name)
        c = char(t.hostToWin[uint8_t(c)]);
    return platform::charset::oemToAnsi(name);
}

void TransferChecksum::feed(const uint8_t* bytes, size_t count)
{
    size_t i = 0;
    if (m_odd && count > 0) {
        m_sum ^= uint16_t(m_carry | (bytes[0] << 8));
        m_odd = false;
        i = 1;
    }
    for (; i + 1 < count; i += 2)
        m_sum ^= uint16_t(bytes[i] | (bytes[i + 1] << 8));
    if (i < count) {
        m_carry = bytes[i];
        m_odd = true;
    }
}

uint16_t TransferChecksum::value() const
{
    return m_odd ? uint16_t(m_sum ^ m_carry) : m_sum;
}

} // namespace typestone
