// The fault matrix's cases on this machine's side: the data folder's files damaged between two
// runs, or no longer writable while the client runs. The client still starts, signs in, shows
// what arrives and keeps what it had.
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "api/login.h"
#include "config/config.h"
#include "storage/sqlite_helper.h"
#include "tests/faults/fault_matrix.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;

void WriteWhole(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// The copies of the database at `path` set aside as unreadable.
std::vector<std::string> SetAside(const std::string& path) {
    std::vector<std::string> found;
    const std::filesystem::path file(path);
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(file.filename().string() + ".unreadable-", 0) == 0)
            found.push_back(entry.path().string());
    }
    return found;
}

// While it lives no file of this process may grow: every write past the start of a file fails,
// as on a full disk. The signal such a write raises is ignored, as the failed write is what the
// client must handle.
class FullDisk {
  public:
    FullDisk() {
        previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit full = previous_;
        full.rlim_cur = 0;
        ::setrlimit(RLIMIT_FSIZE, &full);
    }
    ~FullDisk() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        ::signal(SIGXFSZ, previousHandler_);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

  private:
    rlimit previous_{};
    sighandler_t previousHandler_ = SIG_DFL;
};

TEST_F(FaultMatrixTest, CorruptedConfigIniStillStartsAndSignsIn) {
    Quit();
    // Binary bytes, a section never closed, keys without values, an endless line, a stray bracket.
    std::string junk("\x00\xff\xfe\x01[main\nmsg\n=\n[", 14);
    junk += std::string(200000, 'x') + "\n[\x01]\n=value\n";
    WriteWhole(ConfigFilePath(), junk);
    service_.PointClientHere();  // what a user fixing the file by hand would add back
    Start();
    StallMeter stalls;
    SignInWithoutABox();
    EXPECT_TRUE(Main().SignedIn());
    EXPECT_EQ(ReadConfigString("main", "msg", ""), service_.ApiAddress());
    ExpectNoFreeze(stalls);
}

TEST_F(FaultMatrixTest, CorruptedAccountDatabaseIsSetAsideAndTheServiceFillsANewOne) {
    SignInDemo();
    const std::string path = CSQLiteHelper::Instance().AccountFilePath(MyUserId());
    ASSERT_TRUE(std::filesystem::exists(path));
    Quit();
    std::string junk;
    for (int i = 0; i < 64 * 1024; ++i)
        junk.push_back(static_cast<char>((i * 7919) >> 3));
    WriteWhole(path, junk);

    Start();
    StallMeter stalls;
    SignInWithoutABox();
    EXPECT_TRUE(CSQLiteHelper::Instance().IsOpen()) << "a new database, not none";
    const std::vector<std::string> aside = SetAside(path);
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_TRUE(ReadWholeFile(aside[0]) == junk) << "the damaged file is kept as it was";
    EXPECT_FALSE(CDBMsgDlg::Instance().Conversations().empty()) << "the service refilled the list";
    const std::int32_t conversation = ZhangWeisConversation();
    ASSERT_NE(conversation, 0);
    const std::string text = "新数据库里的消息";
    Send(conversation, text);
    ASSERT_TRUE(PumpUntil([&] { return Held(text) == 1; }, 30s));
    ExpectNoFreeze(stalls);

    // The new file reads back at the next start: nothing is set aside again.
    Quit();
    Start();
    SignInWithoutABox();
    EXPECT_TRUE(CSQLiteHelper::Instance().IsOpen());
    EXPECT_EQ(SetAside(path).size(), 1u);
    ASSERT_NE(CDBMsgDlg::Instance().FindConversation(conversation), nullptr);
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(conversation)->text, text);
}

// The write of the synchronisation that brought the first message fails; the next one, for
// another conversation, must write the first conversation too, since the mark it writes covers
// both.
TEST_F(FaultMatrixTest, FullDiskKeepsEveryFileWholeAndLosesNoMessage) {
    SignInDemo();
    const std::int32_t conversation = ZhangWeisConversation();
    const std::int32_t group = ZhangWeisGroup();
    ASSERT_NE(conversation, 0);
    ASSERT_NE(group, 0);
    const std::int32_t groupUnread = Conversation(group).badge;
    const std::string config = ReadWholeFile(ConfigFilePath());
    const std::int32_t unread = Conversation(conversation).badge;
    const std::string whileFull = "磁盘满时收到的";
    StallMeter stalls;
    {
        FullDisk full;
        Send(conversation, whileFull);
        ASSERT_TRUE(PumpUntil([&] { return Held(whileFull) == 1; }, 30s)) << "shown all the same";
        EXPECT_FALSE(WriteConfigString("main", "probe", "1")) << "the write is refused";
        Main().SwitchPage(MainPage::Contacts);
        QTest::qWait(500);
        Main().SwitchPage(MainPage::Messages);
        EXPECT_TRUE(ReadWholeFile(ConfigFilePath()) == config)
            << "a failed write leaves the file whole";
        EXPECT_TRUE(Main().SignedIn());
    }
    ExpectNoFreeze(stalls);
    const std::string afterwards = "磁盘有空间之后";
    Send(group, afterwards);
    ASSERT_TRUE(PumpUntil([&] { return Held(afterwards) == 1; }, 30s));
    // The pass that brought it writes at its end.
    ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().conversationSync.Busy(); }, 30s));

    // On disk both conversations are as they were left: the mark written with the second
    // conversation covers the first, so the first went with it.
    const std::string account = MyUserId();
    Quit();
    const std::map<std::int32_t, std::string> onDisk = TextsOnDisk(account);
    EXPECT_EQ(onDisk.count(conversation) ? onDisk.at(conversation) : "", whileFull)
        << "stale after the failed write";
    EXPECT_EQ(onDisk.count(group) ? onDisk.at(group) : "", afterwards);
    // And at the next start, each message counted unread.
    Start();
    SignInWithoutABox();
    EXPECT_EQ(Conversation(conversation).text, whileFull) << "stale after the failed write";
    EXPECT_EQ(Conversation(conversation).badge, unread + 1);
    EXPECT_EQ(Conversation(group).text, afterwards);
    EXPECT_EQ(Conversation(group).badge, groupUnread + 1);
}

}  // namespace
}  // namespace lumeno::test
