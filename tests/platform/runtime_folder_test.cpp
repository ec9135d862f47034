// The folder of the single-instance lock and channel when someone else got to its name first:
// another user's folder, one open to all, links to elsewhere. The client neither uses nor follows
// any of them, and still gets its lock and its channel. The tests run as root, where permissions
// are not enforced: what is checked is who owns what, and with which mode.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/directories.h"
#include "platform/private_files.h"
#include "platform/single_instance.h"
#include "platform/ui_thread.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr uid_t kNobody = 65534;

struct stat LinkInfo(const std::string& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info;
}

bool Empty(const std::string& folder) {
    std::error_code error;
    return fs::is_empty(folder, error) && !error;
}

// A listening socket at `path`, as another user's program would hold it.
int ListenAt(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

class RuntimeFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The temporary folder of this test stands for /tmp; no session runtime folder.
        ::setenv("TMPDIR", dir_.Path().c_str(), 1);
        ::unsetenv("XDG_RUNTIME_DIR");
        ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
    }

    std::string Usual() const { return dir_ / ("lumeno-runtime-" + std::to_string(::geteuid())); }

    // The folder in use is one of ours under the temporary folder ("lumeno-runtime-<uid>", or with
    // a random ending when that name is taken), private and not `refused`; the lock is had once
    // and refused to a second taker; the channel carries a message.
    void ExpectOwnFolderAndLock(const std::string& refused) {
        const std::string& folder = platform::RuntimeDirectory();
        ASSERT_FALSE(folder.empty());
        EXPECT_NE(fs::path(folder).lexically_normal(), fs::path(refused).lexically_normal());
        EXPECT_EQ(folder.rfind(Usual(), 0), 0u) << folder;
        const struct stat info = LinkInfo(folder);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_uid, ::geteuid());
        EXPECT_EQ(info.st_mode & 07777, 0700u);

        platform::InstanceLock first, second;
        EXPECT_EQ(first.Acquire("TestMutex"), platform::InstanceLock::Result::Acquired);
        EXPECT_EQ(second.Acquire("TestMutex"), platform::InstanceLock::Result::HeldElsewhere);
        platform::InstanceChannel channel;
        int shows = 0;
        ASSERT_TRUE(channel.Listen("TestChannel", 2040, [&](UINT) { ++shows; }));
        EXPECT_TRUE(platform::SendToFirstInstance("TestChannel", 2040));
        EXPECT_TRUE(platform::PumpMessagesUntil([&] { return shows == 1; }, 20s));
    }

    lumeno::test::TempDir dir_;
};

TEST_F(RuntimeFolderTest, AnotherUsersFolderAtTheUsualNameIsLeftAlone) {
    ASSERT_EQ(::mkdir(Usual().c_str(), 0700), 0);
    ASSERT_EQ(::chown(Usual().c_str(), kNobody, kNobody), 0);
    ExpectOwnFolderAndLock(Usual());
    EXPECT_TRUE(Empty(Usual())) << "nothing was made in another user's folder";
}

TEST_F(RuntimeFolderTest, AFolderOpenToAllAtTheUsualNameIsLeftAlone) {
    ASSERT_EQ(::mkdir(Usual().c_str(), 0700), 0);
    ASSERT_EQ(::chmod(Usual().c_str(), 0777), 0);
    ExpectOwnFolderAndLock(Usual());
    EXPECT_TRUE(Empty(Usual()));
}

TEST_F(RuntimeFolderTest, ALinkAtTheUsualNameIsNotFollowed) {
    // Even a link to a private folder of ours: whoever made the link can point it elsewhere.
    const std::string elsewhere = dir_ / "elsewhere";
    ASSERT_EQ(::mkdir(elsewhere.c_str(), 0700), 0);
    ASSERT_EQ(::symlink(elsewhere.c_str(), Usual().c_str()), 0);
    ExpectOwnFolderAndLock(Usual());
    EXPECT_TRUE(Empty(elsewhere));
    EXPECT_TRUE(S_ISLNK(LinkInfo(Usual()).st_mode));
}

TEST_F(RuntimeFolderTest, ASessionFolderOfAnotherUserIsNotUsed) {
    const std::string session = dir_ / "session";
    ASSERT_EQ(::mkdir(session.c_str(), 0700), 0);
    ASSERT_EQ(::chown(session.c_str(), kNobody, kNobody), 0);
    ::setenv("XDG_RUNTIME_DIR", session.c_str(), 1);
    ExpectOwnFolderAndLock(session);
    EXPECT_TRUE(Empty(session));
}

TEST_F(RuntimeFolderTest, ASessionFolderOpenToAllIsNotUsed) {
    const std::string session = dir_ / "session";
    ASSERT_EQ(::mkdir(session.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(session.c_str(), 0755), 0);
    ::setenv("XDG_RUNTIME_DIR", session.c_str(), 1);
    ExpectOwnFolderAndLock(session);
    EXPECT_TRUE(Empty(session));
}

// Two starts while the usual name is taken: the second finds the folder the first made and its
// lock held there.
TEST_F(RuntimeFolderTest, LaterStartsMeetInTheFolderTheFirstMade) {
    ASSERT_EQ(::mkdir(Usual().c_str(), 0700), 0);
    ASSERT_EQ(::chown(Usual().c_str(), kNobody, kNobody), 0);
    int toParent[2], toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The first start: takes the lock and holds it until the parent is done.
        platform::InstanceLock lock;
        const bool held = lock.Acquire("TestMutex") == platform::InstanceLock::Result::Acquired;
        const std::string folder = platform::RuntimeDirectory() + "\n";
        if (::write(toParent[1], folder.data(), folder.size()) < 0) ::_exit(2);
        char done = 0;
        if (::read(toChild[0], &done, 1) < 0) ::_exit(2);
        ::_exit(held ? 0 : 1);
    }
    char buffer[4096] = {};
    ASSERT_GT(::read(toParent[0], buffer, sizeof buffer - 1), 0);
    const std::string firstFolder(buffer, std::strchr(buffer, '\n'));
    platform::InstanceLock lock;
    EXPECT_EQ(lock.Acquire("TestMutex"), platform::InstanceLock::Result::HeldElsewhere);
    EXPECT_EQ(platform::RuntimeDirectory(), firstFolder);
    EXPECT_NE(firstFolder, Usual());
    ASSERT_EQ(::write(toChild[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the first start had its lock";
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]})
        ::close(fd);
}

// Inside the client's own folder, links at the names of the lock and of the channel (left by
// anything that ran as the user, or as root) are not followed: the lock is still had, the
// channel still made, and the places they point to are not touched.
TEST_F(RuntimeFolderTest, LinksAtTheLockAndTheChannelAreNotFollowed) {
    const std::string runtime = dir_ / "runtime";
    ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ASSERT_EQ(platform::RuntimeDirectory(), runtime);

    const std::string victim = dir_ / "victim";
    ASSERT_TRUE(platform::WriteFileAtomically(victim, "keep me"));
    ASSERT_EQ(::symlink(victim.c_str(), (runtime + "/TestMutex.lock").c_str()), 0);
    const std::string missing = dir_ / "made-through-a-link";
    ASSERT_EQ(::symlink(missing.c_str(), (runtime + "/OtherMutex.lock").c_str()), 0);
    platform::InstanceLock lock, other, again;
    EXPECT_EQ(lock.Acquire("TestMutex"), platform::InstanceLock::Result::Acquired);
    EXPECT_EQ(other.Acquire("OtherMutex"), platform::InstanceLock::Result::Acquired);
    EXPECT_EQ(again.Acquire("TestMutex"), platform::InstanceLock::Result::HeldElsewhere);
    EXPECT_TRUE(S_ISREG(LinkInfo(runtime + "/TestMutex.lock").st_mode));
    EXPECT_EQ(platform::ReadWholeFile(victim), "keep me");
    EXPECT_FALSE(fs::exists(missing)) << "nothing was made through the link";

    // A link at the channel's name to a socket listening elsewhere: nothing is said into it.
    const std::string decoy = dir_ / "decoy";
    const int listener = ListenAt(decoy);
    ASSERT_GE(listener, 0);
    ASSERT_EQ(::symlink(decoy.c_str(), (runtime + "/TestChannel").c_str()), 0);
    EXPECT_FALSE(platform::SendToFirstInstance("TestChannel", 2040));
    EXPECT_LT(::accept(listener, nullptr, nullptr), 0) << "the decoy was connected to";
    platform::InstanceChannel channel;
    int shows = 0;
    ASSERT_TRUE(channel.Listen("TestChannel", 2040, [&](UINT) { ++shows; }));
    EXPECT_TRUE(S_ISSOCK(LinkInfo(runtime + "/TestChannel").st_mode));
    EXPECT_TRUE(S_ISSOCK(LinkInfo(decoy).st_mode)) << "the place the link named is untouched";
    EXPECT_TRUE(platform::SendToFirstInstance("TestChannel", 2040));
    EXPECT_TRUE(platform::PumpMessagesUntil([&] { return shows == 1; }, 20s));
    ::close(listener);
}

}  // namespace
