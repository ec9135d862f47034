// The single-instance lock and the channel between instances.
#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/directories.h"
#include "platform/ui_thread.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;

class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override { lumeno::test::UseTempDataHome(dir_); }
    lumeno::test::TempDir dir_;
};

TEST_F(SingleInstanceTest, SecondLockIsRefusedUntilTheFirstIsReleased) {
    platform::InstanceLock first, second;
    EXPECT_EQ(first.Acquire("TestMutex"), platform::InstanceLock::Result::Acquired);
    EXPECT_EQ(second.Acquire("TestMutex"), platform::InstanceLock::Result::HeldElsewhere);
    first.Release();
    EXPECT_EQ(second.Acquire("TestMutex"), platform::InstanceLock::Result::Acquired);
}

TEST_F(SingleInstanceTest, ChannelPassesOnlyTheAcceptedMessage) {
    EXPECT_FALSE(platform::SendToFirstInstance("TestChannel", 2040)) << "nobody listens yet";
    platform::InstanceChannel channel;
    std::vector<UINT> got;
    ASSERT_TRUE(channel.Listen("TestChannel", 2040, [&](UINT message) { got.push_back(message); }));
    EXPECT_TRUE(platform::SendToFirstInstance("TestChannel", 1234));
    EXPECT_TRUE(platform::SendToFirstInstance("TestChannel", 2040));
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !got.empty(); }, 20s));
    platform::PumpMessagesUntil([] { return false; }, 50ms);
    EXPECT_EQ(got, (std::vector<UINT>{2040}));
}

TEST_F(SingleInstanceTest, ChannelSurvivesGarbageAndSilentPeers) {
    platform::InstanceChannel channel;
    int shows = 0;
    ASSERT_TRUE(channel.Listen("TestChannel", 2040, [&](UINT) { ++shows; }));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string path = platform::JoinPath(platform::RuntimeDirectory(), "TestChannel");
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    auto connectRaw = [&] {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return fd;
    };
    int silent = connectRaw();  // connects and says nothing
    int noisy = connectRaw();
    std::string junk(4096, '\xff');
    ::send(noisy, junk.data(), junk.size(), MSG_NOSIGNAL);
    ::close(noisy);
    platform::SendToFirstInstance("TestChannel", 2040);
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return shows == 1; }, 20s));
    ::close(silent);
    platform::PumpMessagesUntil([] { return false; }, 50ms);
    EXPECT_EQ(shows, 1);
}

}  // namespace
