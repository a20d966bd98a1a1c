#include "typestone/server/answer_framer.h"

#include <algorithm>
#include <cstring>

namespace typestone {

AnswerFramer::AnswerFramer(uint16_t command, uint16_t id, size_t capacity)
    : m_command(command), m_id(id), m_capacity(capacity)
{
}

size_t AnswerFramer::wanted() const
{
    if (m_complete)
        return 0;
    if (!m_haveHeader)
        return sizeof m_window - m_held;
    return size_t(m_length) - m_dataSeen;
}

size_t AnswerFramer::feed(const uint8_t* bytes, size_t count)
{
    size_t used = 0;
    while (used < count && !m_complete) {
        if (!m_haveHeader) {
            m_window[m_held++] = bytes[used++];
            if (m_held < sizeof m_window)
                continue;
            const uint16_t command = uint16_t(m_window[0] | (m_window[1] << 8));
            const uint16_t id = uint16_t(m_window[2] | (m_window[3] << 8));
            if (command == m_command && id == m_id) {
                m_haveHeader = true;
                m_length = uint16_t(m_window[4] | (m_window[5] << 8));
                m_complete = m_length == 0;
            } else {
                // Not a header here: drop one byte and keep the last five, which may begin it.
                std::memmove(m_window, m_window + 1, sizeof m_window - 1);
                m_held = sizeof m_window - 1;
                ++m_skipped;
            }
            continue;
        }
        const size_t take = std::min(count - used, size_t(m_length) - m_dataSeen);
        const size_t keep = m_dataSeen < m_capacity ? std::min(take, m_capacity - m_dataSeen) : 0;
        m_data.insert(m_data.end(), bytes + used, bytes + used + keep);
        m_dataSeen += take;
        used += take;
        m_complete = m_dataSeen == m_length;
    }
    return used;
}

} // namespace typestone
