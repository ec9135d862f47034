// Pictures pasted into the chat window's box, against the local service: each is a private file
// of the data folder, kept while a box, a draft or a failed send holds it, gone once it is sent
// and once no draft holds it any more.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QTest>
#include <filesystem>

#include "platform/directories.h"
#include "tests/support/chat_window.h"
#include "ui/chat/draft_book.h"

namespace {

using lumeno::test::ChatWindowTest;
using lumeno::test::PumpUntil;

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// Puts a picture of `colour` on the clipboard and pastes it into the box with Ctrl+V; the path of
// the file it became.
std::string Paste(CDlgMessage& window, const QColor& colour) {
    QImage picture(120, 80, QImage::Format_RGB32);
    picture.fill(colour);
    QGuiApplication::clipboard()->setImage(picture);
    window.Input()->setFocus();
    const std::size_t before = window.Input()->Pictures().size();
    QTest::keyClick(window.Input(), Qt::Key_V, Qt::ControlModifier);
    const std::vector<QString> pictures = window.Input()->Pictures();
    if (pictures.size() != before + 1) return {};
    return pictures.back().toStdString();
}

// A conversation other than `except`, not a group.
std::int32_t AnotherConversation(std::int32_t except) {
    for (const auto& [id, entry] : CDBMsgDlg::Instance().Index()) {
        const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
        if (id != except && conversation && conversation->type != 3) return id;
    }
    return 0;
}

// A pasted picture is a private file of the data folder. A send that fails keeps it (it is back
// in the box); copied into a second conversation's box it stays after the first send; sent from
// there too, it goes once the service's copy is back.
TEST_F(ChatWindowTest, APastedPictureIsPrivateAndGoesOnceSent) {
    SignInDemo();
    const std::int32_t first = BusiestConversation();
    const std::int32_t second = AnotherConversation(first);
    ASSERT_NE(second, 0);
    auto window = Open(first);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }));
    const std::string path = Paste(*window, QColor(60, 140, 220));
    ASSERT_FALSE(path.empty());
    const std::string folder = std::filesystem::path(path).parent_path().string();
    EXPECT_EQ(folder.rfind(platform::DataDirectory() + "/", 0), 0u) << path;
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(QImage(QString::fromStdString(path)).pixelColor(5, 5), QColor(60, 140, 220));

    // The service refuses the first send: the picture is back in the box, its file kept.
    service_.Get("/admin/fault?kind=http500&path=/lumeno/msg/v3/add_dialogue&count=1");
    QTest::keyClick(window->Input(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return window->Outstanding().size() == 1; }));
    ASSERT_TRUE(PumpUntil([&] { return window->Outstanding().empty(); }, std::chrono::seconds(30)));
    ASSERT_EQ(window->Input()->Pictures(), std::vector<QString>{QString::fromStdString(path)});
    EXPECT_TRUE(Exists(path));

    // Copied into another conversation's box, then sent from the first: the file stays for the
    // second box.
    window->Input()->selectAll();
    window->Input()->copy();
    auto other = Open(second);
    ASSERT_TRUE(PumpUntil([&] { return other->PageReady(); }));
    other->Input()->setFocus();
    QTest::keyClick(other->Input(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(other->Input()->Pictures(), std::vector<QString>{QString::fromStdString(path)});
    QGuiApplication::clipboard()->clear();
    window->Input()->setFocus();
    QTest::keyClick(window->Input(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return window->Outstanding().size() == 1; }));
    ASSERT_TRUE(PumpUntil([&] { return window->Outstanding().empty(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(window->Input()->Blank()) << "the send went";
    EXPECT_TRUE(Exists(path)) << "the second box still holds the picture";

    // Sent from the second box as well: nothing holds it any more.
    other->Input()->setFocus();
    QTest::keyClick(other->Input(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return other->Outstanding().size() == 1; }));
    ASSERT_TRUE(PumpUntil([&] { return other->Outstanding().empty(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(other->Input()->Blank());
    EXPECT_TRUE(PumpUntil([&] { return !Exists(path); }, std::chrono::seconds(10)));
    other->DestroyWindow();
    window->DestroyWindow();
}

// Pasted pictures left in drafts: at the next sign-in the one whose draft was emptied is gone,
// the one a draft still holds stays and comes back into its box.
TEST_F(ChatWindowTest, APastedPictureWhoseDraftWasEmptiedGoesAtTheNextSignIn) {
    SignInDemo();
    const std::int32_t first = BusiestConversation();
    const std::int32_t second = AnotherConversation(first);
    ASSERT_NE(second, 0);
    std::string dropped, kept;
    {
        auto window = Open(first);
        dropped = Paste(*window, QColor(200, 60, 60));
        window->DestroyWindow();
    }
    {
        auto window = Open(second);
        kept = Paste(*window, QColor(60, 200, 60));
        window->DestroyWindow();
    }
    ASSERT_FALSE(dropped.empty());
    ASSERT_FALSE(kept.empty());
    {
        // The first conversation's picture is taken out of its box again.
        auto window = Open(first);
        ASSERT_EQ(window->Input()->Pictures().size(), 1u);
        window->Input()->setFocus();
        window->Input()->selectAll();
        QTest::keyClick(window->Input(), Qt::Key_Delete);
        ASSERT_TRUE(window->Input()->Blank());
        window->DestroyWindow();
    }
    EXPECT_TRUE(DraftBook::Current().Get(first).empty());
    EXPECT_TRUE(Exists(dropped)) << "nothing is removed while the account is signed in";

    SwitchAccountTo(QStringLiteral("demo"));
    EXPECT_FALSE(Exists(dropped));
    ASSERT_TRUE(Exists(kept));
    auto window = Open(second);
    EXPECT_EQ(window->Input()->Pictures(), std::vector<QString>{QString::fromStdString(kept)});
    window->DestroyWindow();
}

}  // namespace
