#pragma once
// A job's recorded page actions in recording order, with the range RecPage made current. The
// actions stay for the whole job; playback removes those whose range has passed. What the list
// holds is bounded: an action that would take it past the limit stops recording instead (the
// range is freed, the actions already recorded stay).

#include "typestone/engine/page_action.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace typestone {

class PageActionList
{
public:
    // The default bound on what the recorded actions of one job hold.
    static constexpr size_t kDefaultLimit = size_t{4} << 20;

    explicit PageActionList(size_t limit = kDefaultLimit) : m_limit(limit) {}

    // RecPage: the range that recording uses from now on; StopRange frees it.
    void SetRange(const PageRange& range) { m_range = range; }
    void StopRange() { m_range.reset(); }
    const std::optional<PageRange>& CurrentRange() const { return m_range; }
    // A current range that records (whether the job is playing is the caller's to know).
    bool Records() const { return m_range && m_range->records(); }
    bool RecordOnly() const { return m_range && m_range->recordOnly(); }

    // One byte of text under the current range: added to the last action when that is a text
    // action of the same range, else the start of a new one. False when the bound stopped
    // recording (the byte is not kept).
    bool RecordByte(uint8_t byte);
    // A command action (null: nothing). False when the bound stopped recording.
    bool Record(std::unique_ptr<CPageAction> action);

    size_t Count() const { return m_actions.size(); }
    bool Empty() const { return m_actions.empty(); }
    const CPageAction& At(size_t index) const { return *m_actions[index]; }
    void RemoveAt(size_t index);

    size_t Footprint() const { return m_footprint; }
    void SetLimit(size_t bytes) { m_limit = bytes; }
    size_t Limit() const { return m_limit; }

private:
    bool roomFor(size_t bytes);

    std::optional<PageRange> m_range;
    std::vector<std::unique_ptr<CPageAction>> m_actions;
    size_t m_footprint = 0;
    size_t m_limit;
};

} // namespace typestone
