#pragma once
// Mutations of a valid text for the randomized robustness tests: a few edits each round
// (a byte replaced or a run inserted from the given special characters, bytes erased, the text
// cut, a piece of it repeated), from a seeded generator so that a failing round can be re-run.

#include <cstddef>
#include <random>
#include <string>
#include <string_view>

namespace test_support {

class TextMutator
{
public:
    TextMutator(unsigned seed, std::string_view special) : m_rng(seed), m_special(special) {}

    std::string mutate(const std::string& valid)
    {
        std::string s = valid;
        for (size_t edits = 1 + pick(4); edits > 0 && !s.empty(); --edits) {
            const size_t at = pick(s.size());
            switch (pick(5)) {
            case 0:
                s[at] = special();
                break;
            case 1:
                s.insert(at, std::string(1 + pick(12), special()));
                break;
            case 2:
                s.erase(at, 1 + pick(8));
                break;
            case 3:
                s.resize(at);
                break;
            default:
                s.insert(at, s.substr(pick(s.size()), 1 + pick(40)));
                break;
            }
        }
        return s;
    }

private:
    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_rng); }
    char special() { return m_special[pick(m_special.size())]; }

    std::mt19937 m_rng;
    std::string m_special;
};

} // namespace test_support
