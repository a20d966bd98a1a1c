#pragma once
// Finds the host's answer to one request in the bytes of the data connection.
//
// The answer is the first 6 bytes whose command and id are the request's, followed by the
// number of data bytes its header declares. Bytes before it (left over from an earlier
// exchange, or another packet) are skipped; a window of the last 5 bytes is always kept, so
// a header that straddles a skip is still found. wanted() says how many bytes the next read
// may take: the framer never asks for a byte past the answer, since the file's own bytes may
// follow it on the same connection. An answer longer than the caller's buffer is consumed
// whole and cut to the buffer.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace typestone {

class AnswerFramer
{
public:
    AnswerFramer(uint16_t command, uint16_t id, size_t capacity);

    // Bytes the next read may take; 0 once the answer is complete.
    size_t wanted() const;
    // Takes up to wanted() of the `count` bytes; returns how many it took.
    size_t feed(const uint8_t* bytes, size_t count);

    bool complete() const { return m_complete; }
    // The answer's data, at most the capacity (valid once complete).
    const std::vector<uint8_t>& data() const { return m_data; }
    // The data length the answer's header declared.
    uint16_t declaredLength() const { return m_length; }
    // Bytes skipped before the answer's header.
    size_t skipped() const { return m_skipped; }

private:
    uint16_t m_command;
    uint16_t m_id;
    size_t m_capacity;
    uint8_t m_window[6] = {};
    size_t m_held = 0;
    bool m_haveHeader = false;
    bool m_complete = false;
    uint16_t m_length = 0;
    size_t m_dataSeen = 0;
    size_t m_skipped = 0;
    std::vector<uint8_t> m_data;
};

} // namespace typestone
