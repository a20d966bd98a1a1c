#pragma once
// How often one address gets the large answers (who is there, the printer list).
//
// A 6-byte request draws up to 1009 bytes, and UDP's sender address can be forged: without a
// limit anyone could aim the server's answers at a third party at many times the rate they
// send. Each address has a few answers in hand and gets one more every so often; a host that
// asks now and then never notices.

#include <chrono>
#include <cstddef>
#include <string>
#include <unordered_map>

namespace typestone {

class AnswerRateLimit
{
public:
    using Clock = std::chrono::steady_clock;

    // Answers in hand for an address not seen lately, and how many more a second.
    static constexpr int kBurst = 8;
    static constexpr int kPerSecond = 4;
    // Addresses remembered at once. When all of them are recent (a flood from many forged
    // addresses), a new address is not answered until some are forgotten.
    static constexpr size_t kMaxAddresses = 4096;

    // True when `address` may be answered now; counts the answer.
    bool Allow(const std::string& address, Clock::time_point now = Clock::now());
    // The first refusal since the address was last answered (for one trace line per run).
    bool FirstRefusal() const { return m_firstRefusal; }
    size_t Tracked() const { return m_buckets.size(); }

private:
    struct Bucket
    {
        double tokens = kBurst;
        Clock::time_point last;
        bool refusing = false;
    };

    // Forgets the addresses whose answers are all back in hand; they are as if never seen.
    void forgetFull(Clock::time_point now);

    std::unordered_map<std::string, Bucket> m_buckets;
    bool m_firstRefusal = false;
};

} // namespace typestone
