#include "typestone/engine/page_action.h"

#include "platform/bytes/le_reader.h"

#include <algorithm>
#include <cstring>

namespace typestone {

namespace {

// What an action costs besides its bytes (the object, its strings and its place in the list).
constexpr size_t kActionOverhead = 96;

} // namespace

PageRange PageRange::decode(const uint8_t* bytes)
{
    platform::bytes::LeReader r(bytes, kSize);
    PageRange range;
    range.first = r.u16();
    range.last = r.u16();
    range.flags = r.u16();
    return range;
}

CPageAction::CPageAction(const PageRange& range, std::string text) : m_range(range), m_text(std::move(text))
{
}

CPageAction::CPageAction(const PageRange& range, const uint8_t* header, const uint8_t* params,
                         uint32_t length)
    : m_range(range), m_isCommand(true)
{
    std::memcpy(m_header.data(), header, kEscHeaderSize);
    if (length > 0)
        m_params.assign(params, params + length);
}

bool CPageAction::PlaysOn(unsigned page) const
{
    if (!IsValid())
        return false;
    if (m_range.last != 0 && page > m_range.last)
        return false;
    if (m_range.first != 0 && page < m_range.first)
        return false;
    if (page <= m_range.first)
        return true;
    return (page % 2 != 0) ? (m_range.flags & PageRange::kOddPages) != 0
                           : (m_range.flags & PageRange::kEvenPages) != 0;
}

bool CPageAction::FinishedFor(unsigned page) const
{
    return !IsValid() || (m_range.last != 0 && page > m_range.last);
}

size_t CPageAction::Footprint() const
{
    return kActionOverhead + m_text.size() + (m_isCommand ? kEscHeaderSize + m_params.size() : 0);
}

} // namespace typestone
