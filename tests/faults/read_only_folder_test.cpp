// The data folder turns read-only under the running client while a chat window is open and a
// message is half typed: what arrives still shows, a failed write leaves every file whole, and
// once the folder is writable again the draft and the messages are kept across a restart.
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "config/config.h"
#include "platform/directories.h"
#include "tests/faults/fault_matrix.h"
#include "ui/chat/draft_book.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Root passes every permission check, and CI runs as root. The test program gives up that power
// before its first thread starts (every later thread inherits it), so that a folder made
// read-only is read-only for the client too. Programs it starts get their own powers back.
const bool kPermissionsApply = [] {
    if (::geteuid() != 0) return true;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    return ::syscall(SYS_capset, &header, data) == 0;
}();

bool CanCreateFileIn(const std::string& folder) {
    const std::string probe = folder + "/probe";
    const int fd = ::open(probe.c_str(), O_CREAT | O_WRONLY, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

// While it lives every folder and file under `root` is read-only; their modes come back after.
class ReadOnlyTree {
  public:
    explicit ReadOnlyTree(const std::string& root) {
        Keep(root);
        for (const auto& entry : fs::recursive_directory_iterator(root))
            Keep(entry.path());
        // Files first, then the folders from the deepest, so that every change is still allowed.
        for (auto it = modes_.rbegin(); it != modes_.rend(); ++it) {
            const fs::perms writable =
                fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
            fs::permissions(it->first, writable, fs::perm_options::remove);
        }
    }
    ~ReadOnlyTree() {
        for (const auto& [path, mode] : modes_) {
            std::error_code ignored;
            fs::permissions(path, mode, fs::perm_options::replace, ignored);
        }
    }
    ReadOnlyTree(const ReadOnlyTree&) = delete;
    ReadOnlyTree& operator=(const ReadOnlyTree&) = delete;

  private:
    void Keep(const fs::path& path) { modes_.emplace_back(path, fs::status(path).permissions()); }
    std::vector<std::pair<fs::path, fs::perms>> modes_;
};

TEST_F(FaultMatrixTest, ReadOnlyDataFolderKeepsTheDraftAndLosesNoMessage) {
    ASSERT_TRUE(kPermissionsApply) << "the test program could not give up root's powers";
    SignInDemo();
    const std::int32_t conversation = ZhangWeisConversation();
    const std::int32_t group = ZhangWeisGroup();
    ASSERT_NE(conversation, 0);
    ASSERT_NE(group, 0);
    auto window = Open(conversation);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }, 30s));
    const std::string config = ReadWholeFile(ConfigFilePath());
    const QString draft = QStringLiteral("只读时写下的半句话");
    const std::string whileReadOnly = "文件夹只读时收到的";
    const std::string afterwards = "文件夹可写之后";
    StallMeter stalls;
    {
        ReadOnlyTree readOnly(platform::DataDirectory());
        ASSERT_FALSE(CanCreateFileIn(platform::DataDirectory())) << "permissions do not apply";
        // Half a message typed, long enough for the window to try to keep it as a draft.
        window->Input()->setFocus();
        QInputMethodEvent typed;
        typed.setCommitString(draft);
        QApplication::sendEvent(window->Input(), &typed);
        PumpUntil([] { return false; }, std::chrono::milliseconds(CDlgMessage::kDraftDelayMs * 2));
        Send(conversation, whileReadOnly);
        ASSERT_TRUE(PumpUntil(
            [&] { return RowsWithText(*window, QString::fromStdString(whileReadOnly)) == 1; }, 30s))
            << "shown all the same";
        EXPECT_EQ(Held(whileReadOnly), 1);
        EXPECT_FALSE(WriteConfigString("main", "probe", "1")) << "the write is refused";
        EXPECT_TRUE(ReadWholeFile(ConfigFilePath()) == config) << "a failed write leaves it whole";
        EXPECT_EQ(window->Input()->toPlainText(), draft) << "the typing stays where it was";
        EXPECT_EQ(QApplication::focusWidget(), window->Input());
        EXPECT_TRUE(Main().SignedIn());
    }
    ExpectNoFreeze(stalls);
    // The write of the synchronisation that brought the first message failed; this one, for
    // another conversation, writes both, since the mark it writes covers both.
    Send(group, afterwards);
    ASSERT_TRUE(PumpUntil([&] { return Held(afterwards) == 1; }, 30s));
    ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().conversationSync.Busy(); }, 30s));
    // Closing the window keeps the draft: the folder takes the write it refused before.
    window->DestroyWindow();
    window.reset();

    // As after a restart: nothing held in memory, only the files. On disk both conversations are
    // as they were left: the mark written with the second covers the first, so the first went
    // with it.
    const std::string account = MyUserId();
    Quit();
    const std::map<std::int32_t, std::string> onDisk = TextsOnDisk(account);
    EXPECT_EQ(onDisk.count(conversation) ? onDisk.at(conversation) : "", whileReadOnly)
        << "stale after the failed write";
    EXPECT_EQ(onDisk.count(group) ? onDisk.at(group) : "", afterwards);
    DraftBook::ForgetLoaded();
    Start();
    SignInWithoutABox();
    window = Open(conversation);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }, 30s));
    EXPECT_EQ(window->Input()->toPlainText(), draft) << "the half-typed message is lost";
    EXPECT_TRUE(PumpUntil(
        [&] { return RowsWithText(*window, QString::fromStdString(whileReadOnly)) == 1; }, 30s))
        << "a message is missing or shown twice after the restart";
    window->DestroyWindow();
}

}  // namespace
}  // namespace lumeno::test
