// Raising the soft descriptor limit to the hard one, in a child process so that the test
// program keeps its own limits.

#include "platform/sysinfo/descriptor_limit.h"
#include "tests/support/env/in_child.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::sysinfo::DescriptorLimit;

using ts::support::inChild;

TEST(DescriptorLimitTest, SoftLimitIsRaisedToTheHardOne)
{
    struct Case
    {
        rlim_t soft, hard;
    };
    // Below the hard limit, and already at it (nothing to do, no error).
    for (const Case c : {Case{128, 512}, Case{300, 300}}) {
        SCOPED_TRACE(std::to_string(c.soft) + ":" + std::to_string(c.hard));
        const int rc = inChild([c] {
            const rlimit lowered{c.soft, c.hard};
            if (::setrlimit(RLIMIT_NOFILE, &lowered) != 0)
                return 10;
            std::string error;
            const std::optional<DescriptorLimit> raised = platform::sysinfo::raiseDescriptorLimit(&error);
            if (!raised || !error.empty())
                return 11;
            if (raised->soft != c.hard || raised->hard != c.hard)
                return 12;
            rlimit now{};
            ::getrlimit(RLIMIT_NOFILE, &now);
            if (now.rlim_cur != c.hard)
                return 13; // really in force, not only reported
            const std::optional<DescriptorLimit> read = platform::sysinfo::descriptorLimit();
            if (!read || read->soft != c.hard)
                return 14;
            return 0;
        });
        EXPECT_EQ(rc, 0);
    }
}

} // namespace
