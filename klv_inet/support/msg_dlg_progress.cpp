// Progress bars, levels, time to go, the clock and the animation of the message dialog.
#include "klv_inet/support/msg_dlg.h"

#include "klv_inet/support/library_text.h"
#include "klv_inet/support/msg_clock.h"
#include "klv_inet/support/msg_dlg_ids.h"
#include "klv_inet/support/msg_strings.h"
#include "klv_inet/support/size_format.h"
#include "platform/text/sprintf.h"

#include <algorithm>
#include <cstdio>
#include <limits>

using namespace klv::msgdlg;

namespace {

__extension__ typedef unsigned __int128 Wide;

// a * b / c rounded to the nearest, in 128 bits so sizes above 4 GiB cannot overflow; the
// result saturates, and a zero divisor gives 0.
uint64_t mulDiv(uint64_t a, uint64_t b, uint64_t c)
{
    if (c == 0)
        return 0;
    const Wide r = (static_cast<Wide>(a) * b + c / 2) / c;
    return r > std::numeric_limits<uint64_t>::max() ? std::numeric_limits<uint64_t>::max()
                                                    : static_cast<uint64_t>(r);
}

int barOf(int level)
{
    return level < 2 ? kBar1 : kBar2;
}

} // namespace

int CMsgDlg::SkipReport(uint64_t* lastTick) const
{
    if (!lastTick)
        return 1;
    const uint64_t now = m_clock->tickMs();
    if (now >= *lastTick && now - *lastTick < 1000)
        return 1;
    *lastTick = now;
    return 0;
}

void CMsgDlg::SetProgressCtrl(int level)
{
    std::lock_guard lock(m_mutex);
    m_progressCtrl = live() && ctl(barOf(level)) ? barOf(level) : 0;
}

int CMsgDlg::GetProgressCtrl() const
{
    std::lock_guard lock(m_mutex);
    return m_progressCtrl;
}

void CMsgDlg::SetPos(unsigned long pos)
{
    std::lock_guard lock(m_mutex);
    if (!live())
        return;
    m_barId = barOf(m_level);
    if (klv::MsgDlgControl* bar = ctl(m_barId)) {
        bar->position = pos > 100 ? 100 : static_cast<int>(pos);
        publish();
    }
}

void CMsgDlg::SetLevelProgress(int pos, int level)
{
    std::lock_guard lock(m_mutex);
    klv::MsgDlgControl* bar = live() ? ctl(barOf(level)) : nullptr;
    if (!bar)
        return;
    bar->position = pos < 0 ? 0 : pos > 100 ? 100 : pos;
    publish();
}

int CMsgDlg::GetLevelProgress(int level) const
{
    std::lock_guard lock(m_mutex);
    const klv::MsgDlgControl* bar = live() ? ctl(barOf(level)) : nullptr;
    return bar ? bar->position : 0;
}

void CMsgDlg::ReportProgress(uint64_t done, uint64_t total)
{
    std::lock_guard lock(m_mutex);
    if (!live() || (SkipReport(&m_lastProgressTick) && done != total))
        return;
    std::string text = FormatSize("bytes", done, 0, 3);
    if (total != 0) {
        const uint64_t percent = std::min<uint64_t>(mulDiv(100, done, total), 100);
        SetPos(static_cast<unsigned long>(percent));
        if (m_minimised) {
            m_state.windowTitle = platform::text::sprintf("%u %%", static_cast<unsigned>(percent));
        } else {
            m_state.windowTitle = m_caption;
            text += platform::text::sprintf(" (%u %%)", static_cast<unsigned>(percent));
        }
    }
    setText(kLine0 + 2, text);
    publish();
}

void CMsgDlg::Time2Go(time_t start, uint64_t total, uint64_t done, int showRate)
{
    std::lock_guard lock(m_mutex);
    if (!live() || done == 0 || (SkipReport(&m_lastTimeTick) && done != total))
        return;
    const time_t now = m_clock->now();
    if (now <= start)
        return;
    const uint64_t elapsed = static_cast<uint64_t>(now - start);
    std::string text;
    if (total != 0) {
        const uint64_t estimate = mulDiv(elapsed, total, done);
        const uint64_t remaining = estimate > elapsed ? estimate - elapsed : 0;
        // Whole hours, so an estimate beyond a day does not wrap round to a small one.
        text = platform::text::sprintf(
            "%02llu:%02u:%02u  ", static_cast<unsigned long long>(remaining / 3600),
            static_cast<unsigned>(remaining / 60 % 60), static_cast<unsigned>(remaining % 60));
    }
    if (!m_generic && showRate && done >= 1024) {
        text += platform::text::sprintf("[%llu Kb/s]",
                                        static_cast<unsigned long long>((done / 1024) * 10 / elapsed));
    }
    setText(m_level < 2 ? kLine0 + 3 : kLine0 + 4, text);
    publish();
}

void CMsgDlg::SetLevel(int n)
{
    std::lock_guard lock(m_mutex);
    m_level = n < 1 ? 1 : n;
    klv::MsgDlgControl* label = live() ? ctl(kLevelLabel) : nullptr;
    if (!label)
        return;
    label->text = klv::formatFields(klv::messageString(klv::kStrLevel), {std::to_string(m_level)});
    label->enabled = m_level > 1;
    if (klv::MsgDlgControl* bar2 = ctl(kBar2))
        bar2->enabled = m_level > 1;
    if (m_level == 1)
        if (klv::MsgDlgControl* bar = ctl(m_barId))
            bar->position = 0;
    if (klv::MsgDlgControl* partial = ctl(kLine0 + 4))
        partial->visible = m_level > 1;
    publish();
}

void CMsgDlg::IncrLevel(int by)
{
    std::lock_guard lock(m_mutex);
    SetLevel(m_level + by);
}

int CMsgDlg::GetLevel() const
{
    std::lock_guard lock(m_mutex);
    return m_level;
}

void CMsgDlg::IncrProgressContext(int n)
{
    std::lock_guard lock(m_mutex);
    if (!live())
        return;
    auto textOf = [this](int id) {
        const klv::MsgDlgControl* c = ctl(id);
        return c ? c->text : std::string();
    };
    if (n > 0) {
        CMsgContext context;
        for (int i = 0; i < 5; ++i)
            context.lines[i] = textOf(kLine0 + i);
        if (const klv::MsgDlgControl* b = ctl(kBar1))
            context.bar1 = b->position;
        if (const klv::MsgDlgControl* b = ctl(kBar2))
            context.bar2 = b->position;
        m_contexts.push_front(context);
    }
    IncrLevel(n);
    if (n < 0 && !m_contexts.empty()) {
        const CMsgContext context = m_contexts.front();
        m_contexts.pop_front();
        for (int i = 0; i < 5; ++i)
            setText(kLine0 + i, context.lines[i]);
        if (klv::MsgDlgControl* b = ctl(kBar1))
            b->position = context.bar1;
        if (klv::MsgDlgControl* b = ctl(kBar2))
            b->position = context.bar2;
        publish();
    }
}

void CMsgDlg::SetTimer(int controlId, unsigned long limitMs)
{
    std::lock_guard lock(m_mutex);
    if (m_timerRunning)
        return;
    m_clockStart = m_clock->tickMs();
    m_clockLimit = limitMs;
    m_timerRunning = true;
    m_clockCtrl = controlId;
    m_state.clockRunning = true;
    publish();
}

void CMsgDlg::KillTimer()
{
    std::lock_guard lock(m_mutex);
    if (!m_timerRunning)
        return;
    m_timerRunning = false;
    m_state.clockRunning = false;
    publish();
}

void CMsgDlg::OnTimer(unsigned timerId)
{
    std::lock_guard lock(m_mutex);
    if (!m_timerRunning || timerId != kClockTimer)
        return;
    klv::MsgDlgControl* clockCtl = ctl(m_clockCtrl);
    if (!clockCtl)
        return;
    const uint64_t now = m_clock->tickMs();
    const uint64_t elapsed = now > m_clockStart ? now - m_clockStart : 0;
    const uint64_t seconds =
        m_clockLimit == 0 || elapsed > m_clockLimit ? elapsed / 1000 : (m_clockLimit - elapsed) / 1000;
    if (seconds <= 3600)
        clockCtl->text = platform::text::sprintf("%02u:%02u", static_cast<unsigned>(seconds / 60),
                                                 static_cast<unsigned>(seconds % 60));
    else
        clockCtl->text = platform::text::sprintf(
            "%02llu:%02u:%02u", static_cast<unsigned long long>(seconds / 3600),
            static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    publish();
}

void CMsgDlg::Animate(unsigned clipId)
{
    std::lock_guard lock(m_mutex);
    if (!live() || !ctl(kBar2))
        return;
    m_state.animating = true;
    m_state.animationId = clipId;
    publish();
}

void CMsgDlg::StopAnimate()
{
    std::lock_guard lock(m_mutex);
    if (!live() || !m_state.animating)
        return;
    m_state.animating = false;
    publish();
}
