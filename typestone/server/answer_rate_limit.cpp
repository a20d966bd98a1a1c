#include "typestone/server/answer_rate_limit.h"

#include <algorithm>

namespace typestone {
namespace {

double secondsBetween(AnswerRateLimit::Clock::time_point from, AnswerRateLimit::Clock::time_point to)
{
    return to > from ? std::chrono::duration<double>(to - from).count() : 0.0;
}

} // namespace

void AnswerRateLimit::forgetFull(Clock::time_point now)
{
    for (auto it = m_buckets.begin(); it != m_buckets.end();) {
        const double tokens = it->second.tokens + secondsBetween(it->second.last, now) * kPerSecond;
        if (tokens >= kBurst)
            it = m_buckets.erase(it);
        else
            ++it;
    }
}

bool AnswerRateLimit::Allow(const std::string& address, Clock::time_point now)
{
    m_firstRefusal = false;
    auto it = m_buckets.find(address);
    if (it == m_buckets.end()) {
        if (m_buckets.size() >= kMaxAddresses) {
            forgetFull(now);
            if (m_buckets.size() >= kMaxAddresses)
                return false;
        }
        it = m_buckets.emplace(address, Bucket{double(kBurst), now, false}).first;
    }
    Bucket& b = it->second;
    b.tokens = std::min<double>(kBurst, b.tokens + secondsBetween(b.last, now) * kPerSecond);
    b.last = std::max(b.last, now);
    if (b.tokens < 1.0) {
        m_firstRefusal = !b.refusing;
        b.refusing = true;
        return false;
    }
    b.tokens -= 1.0;
    b.refusing = false;
    return true;
}

} // namespace typestone
