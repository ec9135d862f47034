// One friendship from beginning to end on one client, as two people live it: 林晓 asks 赵磊 from
// his profile with a level and a note; 赵磊 signs in, finds the request in his pending items and
// accepts it through the level chooser; both contact lists have the other; 林晓 then ends it
// from the profile and both lists lose it again.
#include "api/contacts.h"
#include "storage/user_store.h"
#include "tests/profile/profile_window.h"
#include "tests/support/box_catcher.h"
#include "tests/support/pending_window.h"
#include "ui/contacts/page_contact.h"

namespace lumeno::test {
namespace {

constexpr char kLinXiao[] = "10001";
constexpr char kZhaoLei[] = "10009";  // a friend of a friend of 林晓

class FriendshipRoundTripTest : public PendingWindowTest {
  protected:
    // The contacts page lists the person among its people.
    static bool ContactPageLists(const std::string& qxid) {
        CPageContact* contacts = Main().ContactPage();
        for (int row = 0; contacts && row < contacts->List().GetCount(); ++row) {
            const ContactListEntry* entry = contacts->EntryAt(row);
            if (entry && entry->kind == EntryKind::Person && entry->qxid == qxid) return true;
        }
        return false;
    }
    static bool Friend(const std::string& qxid) {
        const UserRecord* user = FindUser(qxid);
        return user && user->dist == 1;
    }
    // The open friend request that `from` sent, among the pending items shown.
    static const PendingItem* RequestFrom(const std::string& from) {
        for (std::int32_t id : PendingItemIds()) {
            const PendingItem* item = FindPendingItem(id);
            if (item && item->type == pending_type::kFriendRequest && item->icon_qxid == from)
                return item;
        }
        return nullptr;
    }
};

TEST_F(FriendshipRoundTripTest, AskedFromAProfileAcceptedInTheOtherAccountThenEnded) {
    SignInDemo();
    ASSERT_FALSE(Friend(kZhaoLei));
    const QString note = QStringLiteral("林晓，想和你聊聊猎头合作");
    {
        CDlgUserDetail& profile = ProfileWindowTest::OpenProfile(kZhaoLei);
        BoxCatcher boxes;
        DialogAnswerer<CDlgFriendLevel> chooser([](CDlgFriendLevel& dialog) {
            ProfileWindowTest::Click(dialog, QStringLiteral("相识好友(LV2)"));
            ProfileWindowTest::Click(dialog, QStringLiteral("确定"));
        });
        DialogAnswerer<CDlgAddContactConfirm> confirm([&](CDlgAddContactConfirm& dialog) {
            ProfileWindowTest::Compose(*dialog.Box(), note);
            QTest::keyClick(dialog.Box(), Qt::Key_Return);
        });
        ASSERT_TRUE(ProfileWindowTest::ClickInProfile(profile, QStringLiteral("加好友")));
        ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 1; }));
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("好友添加请求发送成功"));
        EXPECT_EQ(profile.FirstButton().caption, QStringLiteral("已申请"));
    }

    // 赵磊 on this client: the request waits in his pending items with the note.
    SwitchAccountTo(QStringLiteral("zhaolei"));
    EXPECT_EQ(ProfileWindowTest::ProfileOf(kZhaoLei), nullptr) << "林晓's windows went with her";
    ASSERT_FALSE(Friend(kLinXiao));
    OpenFromConversationPage();
    const PendingItem* request = RequestFrom(kLinXiao);
    ASSERT_NE(request, nullptr);
    const std::int32_t id = request->id;
    EXPECT_EQ(QString::fromStdString(request->attach), note);
    // Accepting asks the level through the real chooser, over the pending-items window.
    HWND chooserOwner = nullptr;
    DialogAnswerer<CDlgFriendLevel> chooser([&](CDlgFriendLevel& dialog) {
        chooserOwner = dialog.GetParent();
        ProfileWindowTest::Click(dialog, QStringLiteral("确定"));
    });
    ASSERT_TRUE(PressButton(id, QStringLiteral("接受")));
    ASSERT_TRUE(PumpUntil([&] { return FindPendingItem(id) && FindPendingItem(id)->action.used; }));
    EXPECT_EQ(chooser.seen, 1);
    EXPECT_EQ(chooserOwner, Window().m_hWnd);
    EXPECT_TRUE(CardShows(id, QStringLiteral("已接受")));
    ASSERT_TRUE(PumpUntil([] { return Friend(kLinXiao) && ContactPageLists(kLinXiao); }))
        << "赵磊's contact list has 林晓";

    // 林晓 again: her contact list has 赵磊, whose profile now offers to end the friendship.
    SwitchAccountTo(QStringLiteral("demo"));
    ASSERT_TRUE(PumpUntil([] { return Friend(kZhaoLei) && ContactPageLists(kZhaoLei); }))
        << "林晓's contact list has 赵磊";
    CDlgUserDetail& profile = ProfileWindowTest::OpenProfile(kZhaoLei);
    EXPECT_EQ(profile.Contacts().mobile, QStringLiteral("13800010009")) << "friends see it";
    ASSERT_EQ(profile.FirstButton().caption, QStringLiteral("解除好友关系"));
    BoxCatcher yes(QStringLiteral("确定"));
    ASSERT_TRUE(ProfileWindowTest::ClickInProfile(profile, QStringLiteral("解除好友关系")));
    ASSERT_TRUE(PumpUntil([&] { return profile.User().dist != 1 && !profile.Fetching(); }));
    EXPECT_TRUE(PumpUntil([] { return !ContactPageLists(kZhaoLei); })) << "gone from 林晓's list";

    // And from his: 赵磊 signs in again and no longer lists her.
    SwitchAccountTo(QStringLiteral("zhaolei"));
    EXPECT_TRUE(PumpUntil([] { return !Friend(kLinXiao) && !ContactPageLists(kLinXiao); }))
        << "gone from 赵磊's list";
}

}  // namespace
}  // namespace lumeno::test
