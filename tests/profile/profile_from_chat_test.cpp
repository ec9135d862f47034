// Profiles opened from a conversation page, in the real web engine: a sender's avatar, and a
// business card of someone the account does not know yet.
#include "tests/profile/profile_window.h"
#include "tests/support/chat_window.h"

namespace lumeno::test {
namespace {

class ProfileFromChatTest : public ChatWindowTest {};

CDlgUserDetail* ProfileWindowOf(const std::string& userId) {
    auto* window = dynamic_cast<CDlgUserDetail*>(
        platform::WindowFromHandle(platform::FindWindowByClass(CDlgUserDetail::WindowClassName())));
    return window && window->UserId() == userId ? window : nullptr;
}

TEST_F(ProfileFromChatTest, ASendersAvatarAndABusinessCardOpenTheirProfiles) {
    SignInDemo();
    // 张伟's conversation holds his messages and the card of 赵磊.
    const std::int32_t id = BusiestConversation();
    ASSERT_NE(id, 0);
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
    ASSERT_NE(conversation, nullptr);
    const std::string peer = PeerOf(*conversation);
    ASSERT_EQ(peer, "10002");
    auto window = Open(id);
    ASSERT_TRUE(PumpUntil([&] { return Rows(*window) > 0; }, std::chrono::seconds(20)));

    ASSERT_TRUE(ClickInPage(*window, QStringLiteral(".row.msg-other .avatar")));
    ASSERT_TRUE(PumpUntil([&] { return ProfileWindowOf(peer) != nullptr; }));
    CDlgUserDetail* profile = ProfileWindowOf(peer);
    ASSERT_TRUE(PumpUntil([&] { return !profile->Fetching(); }));
    EXPECT_EQ(profile->User().name, "张伟");
    EXPECT_EQ(profile->FirstButton().caption, QStringLiteral("解除好友关系"));
    profile->DestroyWindow();
    ASSERT_TRUE(PumpUntil([&] { return ProfileWindowOf(peer) == nullptr; }));

    // The card is older than the first page: "more" until it is shown.
    for (int page = 0; page < 10; ++page) {
        if (Eval(*window, QStringLiteral("document.querySelectorAll('.card-person').length"))
                .toInt() > 0)
            break;
        const int before = Rows(*window);
        Eval(*window, QStringLiteral("document.getElementById('more-button').click()"));
        PumpUntil([&] { return Rows(*window) > before; });
    }
    ASSERT_TRUE(ClickInPage(*window, QStringLiteral(".card-person")));
    ASSERT_TRUE(PumpUntil([&] { return ProfileWindowOf("10009") != nullptr; }));
    CDlgUserDetail* card = ProfileWindowOf("10009");
    ASSERT_TRUE(PumpUntil([&] { return !card->Fetching(); }));
    EXPECT_EQ(card->User().name, "赵磊");
    EXPECT_EQ(card->FirstButton().caption, QStringLiteral("加好友"));
}

TEST_F(ProfileFromChatTest, AMentionInAGroupOpensThatMembersProfile) {
    SignInDemo();
    const std::int32_t group = ConversationNamed("产品研发群");
    ASSERT_NE(group, 0);
    auto window = Open(group);
    ASSERT_TRUE(PumpUntil([&] { return Rows(*window) > 0; }, std::chrono::seconds(20)));
    // "@林晓 @陈静 明天上午十点开会"
    ASSERT_TRUE(ClickInPage(*window, QStringLiteral("a[href*='atnameclick?id=10006']")));
    ASSERT_TRUE(PumpUntil([&] { return ProfileWindowOf("10006") != nullptr; }));
    CDlgUserDetail* profile = ProfileWindowOf("10006");
    ASSERT_TRUE(PumpUntil([&] { return !profile->Fetching(); }));
    EXPECT_EQ(profile->User().name, "陈静");
}

}  // namespace
}  // namespace lumeno::test
