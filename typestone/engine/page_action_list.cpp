#include "typestone/engine/page_action_list.h"

namespace typestone {

namespace {

bool sameRange(const PageRange& a, const PageRange& b)
{
    return a.first == b.first && a.last == b.last && a.flags == b.flags;
}

} // namespace

bool PageActionList::roomFor(size_t bytes)
{
    if (m_footprint + bytes <= m_limit)
        return true;
    m_range.reset();
    return false;
}

bool PageActionList::RecordByte(uint8_t byte)
{
    if (!m_range)
        return false;
    // Text recorded under an earlier range stays with that range: a footer recorded after a
    // header, with no command between them, must not play on the header's pages.
    if (!m_actions.empty() && !m_actions.back()->IsCommand() &&
        sameRange(m_actions.back()->Range(), *m_range)) {
        if (!roomFor(1))
            return false;
        m_actions.back()->AppendText(byte);
        ++m_footprint;
        return true;
    }
    auto action = std::make_unique<CPageAction>(*m_range, std::string(1, static_cast<char>(byte)));
    if (!roomFor(action->Footprint()))
        return false;
    m_footprint += action->Footprint();
    m_actions.push_back(std::move(action));
    return true;
}

bool PageActionList::Record(std::unique_ptr<CPageAction> action)
{
    if (!action)
        return true;
    if (!roomFor(action->Footprint()))
        return false;
    m_footprint += action->Footprint();
    m_actions.push_back(std::move(action));
    return true;
}

void PageActionList::RemoveAt(size_t index)
{
    if (index >= m_actions.size())
        return;
    m_footprint -= m_actions[index]->Footprint();
    m_actions.erase(m_actions.begin() + static_cast<std::ptrdiff_t>(index));
}

} // namespace typestone
