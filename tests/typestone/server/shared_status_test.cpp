#include "app_fixture.h"

#include "typestone/server/shared_status.h"
#include "typestone/server/status_messages.h"

#include "platform/sync/shared_memory.h"

#include <gtest/gtest.h>

namespace {

using typestone::ConnectionStatus;
using typestone::FormatSharedStatus;

std::string text(const std::vector<char>& image, size_t length)
{
    return std::string(image.data(), length);
}

bool zerosFrom(const std::vector<char>& image, size_t offset)
{
    return std::all_of(image.begin() + long(offset), image.end(), [](char c) { return c == 0; });
}

TEST(SharedStatusTest, NoConnection)
{
    const std::vector<char> image = FormatSharedStatus({}, 1024);
    ASSERT_EQ(image.size(), 1024u);
    EXPECT_EQ(text(image, 2), "0 ");
    EXPECT_TRUE(zerosFrom(image, 2));
}

TEST(SharedStatusTest, TwoConnections)
{
    const std::vector<ConnectionStatus> list = {{"Laser", "host1:1025", 1234, true, true},
                                                {"", "10.0.0.9:4000", 0, false, false}};
    const std::vector<char> image = FormatSharedStatus(list, 1024);
    using namespace std::string_literals;
    const std::string expected = "2 Laser\0host1:1025\0"
                                 "1234 1 1 "s +
                                 "\0"
                                 "10.0.0.9:4000\0"
                                 "0 0 0 "s;
    EXPECT_EQ(text(image, expected.size()), expected);
    EXPECT_TRUE(zerosFrom(image, expected.size()));
}

TEST(SharedStatusTest, TooManyConnectionsKeepWholeRecordsOnly)
{
    // Records of 100 bytes: "P\0" + 90-character peer + "\0" + "4294967295 1 0 " would be 108;
    // the count must say exactly how many whole ones follow.
    std::vector<ConnectionStatus> list;
    for (int i = 0; i < 30; ++i)
        list.push_back({"P", std::string(90, char('a' + i % 26)), 4294967295u, true, false});
    const size_t recordSize = 2 + 91 + std::string("4294967295 1 0 ").size();
    const std::vector<char> image = FormatSharedStatus(list, 1024);
    const size_t fit = (1024 - 3) / recordSize; // "NN " before them
    const std::string head = std::to_string(fit) + " ";
    EXPECT_EQ(text(image, head.size()), head);
    const size_t end = head.size() + fit * recordSize;
    EXPECT_EQ(image[end - 1], ' ');
    EXPECT_EQ(image[end - 2], '0');
    EXPECT_TRUE(zerosFrom(image, end));
}

class SharedMemServiceTest : public apptest::ServiceTest
{
};

TEST_F(SharedMemServiceTest, UserControl128WritesTheStatusAnd129IsABadRequest)
{
    makeService();
    ASSERT_TRUE(service->OnInit());
    ASSERT_TRUE(service->SharedMem().isWritable());
    const std::string name = service->SharedMem().name().substr(1);
    platform::sync::SharedMemory reader;
    ASSERT_TRUE(reader.openReadOnly(name));
    EXPECT_EQ(reader.size(), 1024u);

    EXPECT_TRUE(service->Handler(typestone::kControlWriteSharedMem));
    EXPECT_FALSE(service->Handler(129));
    EXPECT_FALSE(service->Handler(9));
    ASSERT_TRUE(apptest::pumpUntil([&] { return reader.constData()[0] == '0'; }));
    EXPECT_EQ(std::string(reader.constData(), 2), "0 ");

    // Gone with the service: nothing is left behind.
    service->OnStop();
    platform::sync::SharedMemory again;
    EXPECT_FALSE(again.openReadOnly(name));
}

} // namespace
