// Avatar files for the conversation page and group tiles, from pictures served on loopback.
#include "api/avatar_files.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cstdlib>
#include <filesystem>

#include "api/login.h"
#include "platform/directories.h"
#include "platform/picture.h"
#include "platform/private_files.h"
#include "platform/ui_thread.h"
#include "storage/msg_dlg_store.h"
#include "storage/sqlite_component.h"
#include "storage/user_store.h"
#include "tests/image_cache/test_pictures.h"
#include "tests/support/client_window.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using lumeno::test::HttpAnswer;
using lumeno::test::RawHttpServer;
using lumeno::test::ScriptedAnswer;

std::uint32_t Pixel(const DibBitmap& bitmap, int x, int y) {
    const std::uint8_t* p = bitmap.Row(y) + 4 * x;
    return static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
}

class AvatarFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::UseTempDataHome(dir_);
        RegisterComponentTable(kStorageComponentTable);
        ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
        CDBLogin::Instance().Record().id = 10001;
        window_ = std::make_unique<lumeno::test::ClientWindow>();
    }
    void TearDown() override { window_.reset(); }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server_.Port()) + path;
    }
    void AddUser(const std::string& qxid, const std::string& avatar) {
        UserRecord user;
        user.qxid = qxid;
        user.avatar = avatar;
        CDBUser::Instance().Users()[qxid] = user;
    }

    lumeno::test::TempDir dir_;
    RawHttpServer server_{[](const std::string& request) {
        const std::uint32_t colour = request.find("/red") != std::string::npos     ? 0xFF0000
                                     : request.find("/green") != std::string::npos ? 0x00FF00
                                                                                   : 0x0000FF;
        return ScriptedAnswer{
            HttpAnswer(200, lumeno::test::SolidPicture(64, 64, colour), "image/png")};
    }};
    std::unique_ptr<lumeno::test::ClientWindow> window_;
};

// The copy holds the picture of its address, in the account's "head" folder, whoever uses that
// address: a user who changes theirs never changes what another user's copy shows.
TEST_F(AvatarFilesTest, AvatarFileIsAJpegOfItsAddressInTheAccountsHeadFolder) {
    const std::string red = Url("/red.png");
    const std::string green = Url("/green.png");
    EXPECT_EQ(AvatarFile(red), "") << "not cached yet";
    FlowHandle handle;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
        CImageCache::Instance().Download({}, red, 42, flow);
        CImageCache::Instance().Download({}, green, 42, flow);
    });
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !handle.Busy(); }, 30s));
    const auto colourOf = [](const std::string& path) {
        const QImage image(QString::fromStdString(path));
        return image.isNull() ? QColor() : image.pixelColor(21, 21);
    };
    const auto near = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
               std::abs(a.blue() - b.blue()) < 24;
    };

    // 张伟 had the red picture, then changed to the green one; 王芳 has the red one since.
    const std::string first = AvatarFile(red);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(fs::path(first).parent_path(),
              fs::path(platform::JoinPath(platform::DataDirectory(), "10001/head")));
    const auto bytes = platform::ReadWholeFile(first);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(platform::PictureTypeOf(*bytes), platform::kPictureJpeg);
    const std::string changed = AvatarFile(green);
    ASSERT_FALSE(changed.empty());
    EXPECT_NE(changed, first);
    EXPECT_TRUE(near(colourOf(changed), QColor(0, 255, 0)));
    EXPECT_EQ(AvatarFile(red), first) << "resolved once";
    EXPECT_TRUE(near(colourOf(AvatarFile(red)), QColor(255, 0, 0))) << "another address's picture";
}

TEST_F(AvatarFilesTest, TileUsesTheFirstNineMembersThatHaveAnAvatar) {
    ConversationRecord& group = CDBMsgDlg::Instance().ConversationFor(500);
    group.type = kGroupConversationType;
    for (int i = 1; i <= 12; ++i)
        group.member_ids.push_back("m" + std::to_string(i));
    for (int i = 1; i <= 12; ++i)
        AddUser("m" + std::to_string(i), "");
    AddUser("m2", Url("/red.png"));
    AddUser("m5", Url("/green.png"));
    AddUser("m9", Url("/blue.png"));
    AddUser("m11", Url("/red-not-in-the-first-nine.png"));

    lumeno::test::EventRecorder events(db_event::kConversationChanged);
    auto list = std::make_shared<PictureMap>();
    GroupTile(500, list);
    ASSERT_TRUE(platform::PumpMessagesUntil(
        [&] { return events.Saw(db_event::kConversationChanged, db_event::kDone); }, 30s));
    EXPECT_EQ(events.events[0].first, 500);

    const std::string key = GroupTileKey(group.member_ids);
    EXPECT_EQ(key,
              platform::JoinPath(platform::DataDirectory(), "m1_m2_m3_m4_m5_m6_m7_m8_m9_.png"));
    ASSERT_EQ(list->count(key), 1u);
    const DibBitmap& tile = *(*list)[key];
    EXPECT_EQ(tile.width, 42);
    // The layout for three: top middle, bottom left, bottom right, in member order.
    EXPECT_EQ(Pixel(tile, 21, 10), 0xFF0000u);
    EXPECT_EQ(Pixel(tile, 10, 32), 0x00FF00u);
    EXPECT_EQ(Pixel(tile, 32, 32), 0x0000FFu);
    EXPECT_EQ(Pixel(tile, 2, 2), 0xF6F6F6u);
    EXPECT_EQ(server_.RequestCount(), 3u);
    EXPECT_FALSE(fs::exists(key)) << "the tile needs no file";
}

TEST_F(AvatarFilesTest, WindowClosingWhileItsTileIsMadeLeavesTheOtherTilesAlone) {
    ConversationRecord& group = CDBMsgDlg::Instance().ConversationFor(501);
    group.type = kGroupConversationType;
    group.member_ids = {"c1", "c2"};
    ConversationRecord& other = CDBMsgDlg::Instance().ConversationFor(502);
    other.type = kGroupConversationType;
    other.member_ids = {"c3"};
    AddUser("c1", Url("/red-c1.png"));
    AddUser("c2", Url("/green-c2.png"));
    AddUser("c3", Url("/blue-c3.png"));
    lumeno::test::EventRecorder events(db_event::kConversationChanged);
    auto closing = std::make_shared<PictureMap>();
    auto staying = std::make_shared<PictureMap>();
    auto closedEarly = std::make_shared<PictureMap>();
    GroupTile(501, closing);
    GroupTile(502, staying);
    GroupTile(501, closedEarly);
    closing.reset();  // its window closes while the avatars download
    closedEarly.reset();
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !events.events.empty(); }, 30s));
    ASSERT_TRUE(platform::PumpMessagesUntil(
        [&] { return staying->count(GroupTileKey(other.member_ids)) == 1; }, 30s));
    EXPECT_TRUE(CImageCache::Instance().InMemory(GroupTileKey(group.member_ids)))
        << "made for the cache all the same";
    platform::PumpMessagesUntil([] { return false; }, 200ms);
    EXPECT_EQ(events.Count(db_event::kConversationChanged, db_event::kDone), 2)
        << "no tile for a list that was gone before its turn";
    EXPECT_EQ(server_.RequestCount(), 3u);
}

TEST_F(AvatarFilesTest, LayoutsHaveOneRectanglePerAvatarInsideTheTile) {
    for (int n = 1; n <= 9; ++n) {
        const std::vector<TileRect>& layout = TileLayout(n);
        ASSERT_EQ(layout.size(), static_cast<std::size_t>(n));
        for (const TileRect& r : layout) {
            EXPECT_GE(r.left, 0);
            EXPECT_LE(r.right, 42);
            EXPECT_LT(r.top, r.bottom);
        }
    }
    EXPECT_TRUE(TileLayout(0).empty());
    EXPECT_TRUE(TileLayout(10).empty());
    EXPECT_FALSE(IsSafeFileNamePart("q-1_2/"));
    EXPECT_TRUE(IsSafeFileNamePart("q-1_2"));
}

}  // namespace
