#pragma once
// Reads the fields of a little-endian block (a record from a host, a file or a datagram) and
// never past its end. A read that does not fit gives 0 or an empty text and makes the reader
// fail for good, so a decoder reads all its fields and asks ok() once at the end.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace platform::bytes {

class LeReader
{
public:
    LeReader(const void* data, size_t size)
        : m_data(static_cast<const uint8_t*>(data)), m_size(data ? size : 0)
    {
    }

    bool ok() const { return m_ok; }
    size_t offset() const { return m_pos; }
    size_t size() const { return m_size; }
    size_t remaining() const { return m_ok ? m_size - m_pos : 0; }

    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32() { return static_cast<uint32_t>(take(4)); }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    int32_t i32() { return static_cast<int32_t>(u32()); }

    // A text field `width` bytes wide: up to its first NUL, never past the field's end. The
    // reader moves past the whole field.
    std::string text(size_t width)
    {
        if (!need(width))
            return {};
        const char* p = reinterpret_cast<const char*>(m_data + m_pos);
        const void* nul = std::memchr(p, 0, width);
        const size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - p) : width;
        m_pos += width;
        return std::string(p, n);
    }
    // The text from here to its NUL or the end of the block, whichever comes first; the reader
    // moves to the end of the block.
    std::string textToEnd() { return text(remaining()); }

    // Copies `count` bytes to `out` (zeros when they do not fit).
    void bytes(void* out, size_t count)
    {
        if (!need(count)) {
            std::memset(out, 0, count);
            return;
        }
        std::memcpy(out, m_data + m_pos, count);
        m_pos += count;
    }
    void skip(size_t count)
    {
        if (need(count))
            m_pos += count;
    }
    // Moves to `offset` from the start of the block.
    void seek(size_t offset)
    {
        if (!m_ok)
            return;
        if (offset > m_size) {
            m_ok = false;
            return;
        }
        m_pos = offset;
    }

private:
    bool need(size_t count)
    {
        if (m_ok && count <= m_size - m_pos)
            return true;
        m_ok = false;
        return false;
    }
    uint64_t take(size_t count)
    {
        if (!need(count))
            return 0;
        uint64_t v = 0;
        for (size_t i = 0; i < count; ++i)
            v |= static_cast<uint64_t>(m_data[m_pos + i]) << (8 * i);
        m_pos += count;
        return v;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

} // namespace platform::bytes
