#include "platform/sysinfo/user_groups.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

using platform::sysinfo::userInGroup;

TEST(UserGroupsTest, EffectiveUserIsThisProcesssOwn)
{
    EXPECT_EQ(platform::sysinfo::effectiveUserId(), uint32_t(::geteuid()));
}

TEST(UserGroupsTest, MembershipByPrimaryGroupOnly)
{
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        GTEST_SKIP() << "no user nobody";
    const group* primary = ::getgrgid(nobody->pw_gid);
    if (!primary)
        GTEST_SKIP() << "nobody's primary group has no name";
    const uint32_t uid = nobody->pw_uid;
    EXPECT_TRUE(userInGroup(uid, primary->gr_name));
    EXPECT_FALSE(userInGroup(uid, "root"));
    EXPECT_FALSE(userInGroup(uid, ""));
    EXPECT_FALSE(userInGroup(uid, "no-such-group-of-typestone"));
    EXPECT_FALSE(userInGroup(4000000000u, primary->gr_name)); // nobody knows this user
}

} // namespace
