#include "platform/service/signal_channel.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(SignalChannel, BlockedSignalsWaitInTheDescriptor)
{
    platform::service::SignalChannel channel;
    ASSERT_TRUE(channel.open({SIGUSR1, SIGUSR2}));
    EXPECT_GE(channel.fd(), 0);
    EXPECT_FALSE(channel.readSignal().has_value());
    ASSERT_EQ(::raise(SIGUSR2), 0);
    ASSERT_EQ(::raise(SIGUSR1), 0);
    // Both arrive, lowest number first, and each only once.
    EXPECT_EQ(channel.readSignal(), SIGUSR1);
    EXPECT_EQ(channel.readSignal(), SIGUSR2);
    EXPECT_FALSE(channel.readSignal().has_value());
    channel.close();
    EXPECT_FALSE(channel.readSignal().has_value());
}

} // namespace
