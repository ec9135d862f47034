// The window of conversations on a real desktop (Xvfb with the openbox window manager and the
// xcompmgr compositing manager), driven through the real pointer: it resizes from its edges and
// corners, grows by the tab column only when it is not maximised, and every part it grew by
// takes clicks (the caption buttons at its new right edge, the whole screen once maximised).

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "storage/msg_dlg_store.h"
#include "tests/support/chat_window.h"
#include "tests/support/desktop_windows.h"
#include "tests/support/real_input.h"
#include "ui/chat/dlg_msg_group.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;

class ConversationWindowDesktopTest : public ChatWindowTest {
  protected:
    void TearDown() override {
        CDlgMsgGroup::DestroyInstance();
        ChatWindowTest::TearDown();
    }
    static CDlgMsgGroup& Group() { return CDlgMsgGroup::Instance(); }
    // Conversations of the demo account with messages, newest first.
    static std::vector<std::int32_t> Conversations(std::size_t count) {
        std::vector<std::int32_t> ids;
        for (std::int32_t id : CDBMsgDlg::Instance().Order()) {
            const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
            const MessageIndexEntry* index = CDBMsgDlg::Instance().FindIndexEntry(id);
            if (conversation && conversation->deleted != 1 && index && !index->ids.empty() &&
                ids.size() < count)
                ids.push_back(id);
        }
        return ids;
    }
    // Signed in with the window made as start-up makes it and one conversation open in it, on
    // the screen and taken over by the window manager.
    std::vector<std::int32_t> OpenFirst() {
        SignInDemo();
        EXPECT_TRUE(Group().Create());
        const std::vector<std::int32_t> ids = Conversations(3);
        EXPECT_EQ(ids.size(), 3u);
        if (ids.size() < 3) return ids;
        Group().OpenConversation(ids[0], true);
        EXPECT_TRUE(PumpUntil([] { return Group().IsWindowVisible(); }));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Group().Widget()));
        EXPECT_TRUE(PumpUntil([] { return desktop::StackIndex(Group().Widget()) >= 0; }, 5s));
        PumpUntil([] { return false; }, 500ms);
        return ids;
    }
    static QSize Size() {
        const UiRect client = Group().GetClientRect();
        return QSize(client.Width(), client.Height());
    }
    // The middle of a caption button ("最小化", "最大化", "还原", "关闭") on the screen.
    static QPoint Button(const QString& name) {
        for (const UiNode& node : Group().Describe()) {
            if (node.role == UiRole::Button && node.name == name) {
                return Group().ClientToScreen(QPoint((node.rect.left + node.rect.right) / 2,
                                                     (node.rect.top + node.rect.bottom) / 2));
            }
        }
        ADD_FAILURE() << "no button " << name.toStdString();
        return {};
    }
};

// Its right edge and its bottom-left corner, dragged with the real pointer, resize it.
TEST_F(ConversationWindowDesktopTest, ItResizesFromItsEdgesAndCorners) {
    const std::vector<std::int32_t> ids = OpenFirst();
    ASSERT_EQ(ids.size(), 3u);
    ASSERT_EQ(Size(), QSize(CDlgMsgGroup::kWidth, CDlgMsgGroup::kHeight));
    const UiRect start = Group().GetWindowRect();

    const QPoint right(start.right - 2, start.top + start.Height() / 2);
    ASSERT_TRUE(desktop::DragSlowly(right, right + QPoint(100, 0)));
    ASSERT_TRUE(PumpUntil([] { return Size().width() >= CDlgMsgGroup::kWidth + 95; }, 5s))
        << "the right edge did not resize it: " << Size().width() << " wide";
    EXPECT_LE(std::abs(Size().width() - (CDlgMsgGroup::kWidth + 100)), 2);
    EXPECT_EQ(Size().height(), CDlgMsgGroup::kHeight);
    EXPECT_EQ(Group().GetWindowRect().left, start.left) << "its left edge stays";

    const UiRect wider = Group().GetWindowRect();
    const QPoint corner(wider.left + 1, wider.bottom - 2);
    ASSERT_TRUE(desktop::DragSlowly(corner, corner + QPoint(-60, 80)));
    ASSERT_TRUE(PumpUntil([&] { return Size().height() >= CDlgMsgGroup::kHeight + 75; }, 5s))
        << "the corner did not resize it: " << Size().height() << " high";
    EXPECT_LE(std::abs(Size().width() - (wider.Width() + 60)), 2);
    EXPECT_LE(std::abs(Size().height() - (CDlgMsgGroup::kHeight + 80)), 2);
    EXPECT_EQ(Group().GetWindowRect().right, wider.right) << "its right edge stays";
    EXPECT_EQ(Group().GetWindowRect().top, wider.top) << "its top edge stays";

    // Away from the edges a press is the window's own: it moves nothing and resizes nothing.
    const UiRect now = Group().GetWindowRect();
    ASSERT_TRUE(real_input::Click(QPoint(now.left + 40, now.top + 300)));
    PumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(Group().GetWindowRect(), now);
}

// A second conversation widens it by the tab column, and its caption buttons at the new right
// edge take clicks: maximised, the whole screen is the window's and its restore button in the
// screen's corner answers; maximised, a new tab does not widen it.
TEST_F(ConversationWindowDesktopTest, EveryPartItGrewByTakesClicks) {
    const std::vector<std::int32_t> ids = OpenFirst();
    ASSERT_EQ(ids.size(), 3u);
    const UiRect narrow = Group().GetWindowRect();
    Group().OpenConversation(ids[1], false);
    ASSERT_TRUE(Group().ListShown());
    ASSERT_TRUE(PumpUntil(
        [] { return Size().width() == CDlgMsgGroup::kWidth + CDlgMsgGroup::kListWidth; }, 5s))
        << Size().width() << " wide";
    PumpUntil([] { return false; }, 500ms);
    const QPoint maximise = Button(QStringLiteral("最大化"));
    ASSERT_GT(maximise.x(), narrow.right) << "the button is in the new part";
    ASSERT_TRUE(real_input::Click(maximise));
    ASSERT_TRUE(PumpUntil([] { return Group().IsZoomed(); }, 5s)) << "maximise took no click";

    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_TRUE(PumpUntil([&] { return Size().width() >= work.width() - 4; }, 5s));
    PumpUntil([] { return false; }, 500ms);
    const int maximisedWidth = Size().width();
    // A third tab while maximised: the window keeps its size.
    Group().OpenConversation(ids[2], false);
    PumpUntil([] { return false; }, 500ms);
    EXPECT_TRUE(Group().IsZoomed());
    EXPECT_EQ(Size().width(), maximisedWidth);

    const QPoint restore = Button(QStringLiteral("还原"));
    ASSERT_GT(restore.x(), narrow.right + CDlgMsgGroup::kListWidth);
    ASSERT_TRUE(real_input::Click(restore));
    ASSERT_TRUE(PumpUntil([] { return !Group().IsZoomed(); }, 5s)) << "restore took no click";
    ASSERT_TRUE(PumpUntil(
        [] { return Size().width() == CDlgMsgGroup::kWidth + CDlgMsgGroup::kListWidth; }, 5s))
        << "restored with the column, it is " << Size().width() << " wide";

    // Its minimise button, in the part the column added, takes the click.
    PumpUntil([] { return false; }, 500ms);
    const QPoint minimise = Button(QStringLiteral("最小化"));
    ASSERT_GT(minimise.x(), Group().GetWindowRect().left + CDlgMsgGroup::kWidth);
    ASSERT_TRUE(real_input::Click(minimise));
    EXPECT_TRUE(PumpUntil([] { return Group().IsIconic(); }, 5s)) << "minimise took no click";
}

}  // namespace
}  // namespace lumeno::test
