#include "typestone/server/transfer_progress.h"

#include "typestone/server/packet_clock.h"
#include "typestone/server/transfer_strings.h"

#include "platform/text/sprintf.h"

#include <algorithm>

namespace typestone {

TransferProgress::TransferProgress(PacketClock& clock, uint64_t total)
    : m_clock(clock), m_startMs(clock.nowMs()), m_fileStartMs(m_startMs), m_total(total)
{
}

void TransferProgress::startFile(const std::string& source, const std::string& target)
{
    m_source = source;
    m_target = target;
    m_fileStartMs = m_clock.nowMs();
    m_doneAtFileStart = m_done;
    update();
}

void TransferProgress::fileSize(uint64_t size)
{
    if (m_total == 0)
        m_total = size;
    update();
}

void TransferProgress::progress(uint64_t delta, uint64_t fileDone)
{
    (void)fileDone;
    m_done += delta;
    update();
}

void TransferProgress::skipped(uint64_t size)
{
    ++m_files;
    m_done += size;
    update();
}

void TransferProgress::cancelledDuring(uint64_t fileDone)
{
    (void)fileDone;
    ++m_files;
    update();
}

void TransferProgress::resumed(uint64_t offset)
{
    m_done += offset;
    update();
}

void TransferProgress::fileFailed(uint64_t size, uint64_t offset)
{
    // The file counts as done: what it did not move is added, so the percentage goes on.
    const uint64_t moved = m_done - m_doneAtFileStart;
    const uint64_t whole = size > offset ? size - offset : 0;
    if (whole > moved)
        m_done += whole - moved;
    ++m_files;
    update();
}

bool TransferProgress::cancelled()
{
    if (!m_cancelled && m_cancelSource && m_cancelSource())
        m_cancelled = true;
    return m_cancelled;
}

void TransferProgress::update()
{
    if (m_total == 0) {
        m_percent = -1;
    } else {
        const uint64_t pct = m_total > 100 ? m_done / (m_total / 100) : m_done * 100 / m_total;
        m_percent = int(std::min<uint64_t>(pct, 100));
    }
    const int64_t now = m_clock.nowMs();
    m_elapsed = std::max<int64_t>(0, (now - m_startMs) / 1000);
    const int64_t fileSeconds = (now - m_fileStartMs) / 1000;
    m_rate = fileSeconds > 0 ? (m_done - m_doneAtFileStart) * 8 / uint64_t(fileSeconds) : 0;
    m_remaining = m_percent > 0 ? 100 * m_elapsed / m_percent - m_elapsed : -1;
    if (m_observer)
        m_observer(*this);
}

std::string TransferProgress::statusLine() const
{
    const std::string pattern = transferString(kStrTransferred, "%s transferred ...");
    return platform::text::sprintf(pattern.c_str(), FormatSize(m_done));
}

std::string TransferProgress::FormatSize(uint64_t bytes)
{
    if (bytes < 1024)
        return platform::text::sprintf("%llu bytes", static_cast<unsigned long long>(bytes));
    if (bytes < 1024 * 1024)
        return platform::text::sprintf("%.1f KB", double(bytes) / 1024.0);
    return platform::text::sprintf("%.1f MB", double(bytes) / (1024.0 * 1024.0));
}

} // namespace typestone
