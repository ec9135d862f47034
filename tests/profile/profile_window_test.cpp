// The profile window as a user meets it, signed in to the local service as 林晓: opened from the
// contact list, its card and details, copying a contact detail, adding a friend with a level and
// a verification text (seen arriving on the other side), ending a friendship, and what every
// failure of those requests leaves behind.
#include <QClipboard>
#include <QGuiApplication>

#include "api/contacts.h"
#include "net/w3_client.h"
#include "storage/user_store.h"
#include "tests/profile/profile_window.h"
#include "tests/support/box_catcher.h"
#include "tests/support/element_click.h"
#include "tests/support/menu_picker.h"
#include "ui/chat/chat_entry.h"
#include "ui/contacts/page_contact.h"
#include "ui/profile/profile_style.h"
#include "ui/ui_messages.h"

namespace lumeno::test {
namespace {

constexpr char kZhangWei[] = "10002";  // a first-degree contact of the demo account
constexpr char kZhaoLei[] = "10009";   // a friend of 张伟: second degree

// The level mark ("1°" and the like, in the brand's blue, at the card's top right) lies under the
// blue title bar with the window's body between them: the rows just under the bar hold none of
// its blue there, and the mark shows a little lower.
bool LevelMarkClearOfTitleBar(CDlgUserDetail& profile) {
    QApplication::processEvents();
    const QImage shown = profile.Widget()->grab().toImage();
    const QPoint origin = profile.ClientOrigin();
    const auto blueRows = [&](int from, int to) {
        int blue = 0;
        for (int y = from; y < to; ++y) {
            for (int x = profile.ClientWidth() - 60; x < profile.ClientWidth(); ++x) {
                const QColor pixel = shown.pixelColor(origin + QPoint(x, y));
                blue += pixel.blue() > 180 && pixel.red() < 80;
            }
        }
        return blue;
    };
    const int bar = profile_style::kCaptionHeight;
    return blueRows(bar, bar + 4) == 0 && blueRows(bar + 4, bar + 40) > 50;
}

// Chooses LV2 and confirms, keeping a picture of the chooser.
void ChooseLevelTwo(CDlgFriendLevel& chooser, bool screenshot) {
    ASSERT_EQ(chooser.Level(), 1);
    ASSERT_TRUE(ProfileWindowTest::Click(chooser, QStringLiteral("相识好友(LV2)")));
    EXPECT_EQ(chooser.Level(), 2);
    if (screenshot) {
        QApplication::processEvents();
        ProfileWindowTest::SaveScreenshot(chooser.Widget(), QStringLiteral("friend-level.png"));
    }
    ProfileWindowTest::Click(chooser, QStringLiteral("确定"));
}

TEST_F(ProfileWindowTest, OpensFromTheContactListShowsItsDetailsAndCopiesThePhoneNumber) {
    SignInDemo();
    Main().SwitchPage(MainPage::Contacts);
    ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().contactRefresh.Busy(); }));
    CPageContact& page = *Main().ContactPage();
    int row = -1;
    for (int i = 0; i < page.List().GetCount(); ++i)
        if (page.RowName(i) == QStringLiteral("张伟")) row = i;
    ASSERT_GE(row, 0);
    page.List().SetTopIndex(row);
    const UiRect rect = page.List().GetItemRect(row);
    {
        MenuPicker picker(QStringLiteral("查看联系人资料"));
        QTest::mouseClick(page.List().Widget(), Qt::RightButton, {}, rect.ToQRect().center());
        ASSERT_TRUE(PumpUntil([] { return ProfileOf(kZhangWei) != nullptr; }));
    }
    CDlgUserDetail& profile = *ProfileOf(kZhangWei);
    ASSERT_TRUE(PumpUntil([&] { return !profile.Fetching(); }));
    QApplication::processEvents();
    EXPECT_EQ(profile.GetWindowText(), QStringLiteral("张伟 - 详细资料"));
    EXPECT_TRUE(ShowsInProfile(profile, QStringLiteral("张伟")));
    EXPECT_TRUE(ShowsInProfile(profile, QStringLiteral("解除好友关系")));
    EXPECT_TRUE(ShowsInProfile(profile, QStringLiteral("发消息")));
    EXPECT_TRUE(ShowsInProfile(profile, QStringLiteral("共同好友 3位")));

    // The level mark stands clear of the title bar, under it.
    EXPECT_TRUE(LevelMarkClearOfTitleBar(profile));

    // The mobile number as the service holds it; a click copies it, and the row says so for a
    // while.
    EXPECT_EQ(profile.Contacts().mobile, QStringLiteral("13800010002"));
    EXPECT_EQ(profile.Contacts().email, QStringLiteral("zhangwei@lumeno.test"));
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(ShowsInProfile(profile, QStringLiteral("已复制")));
    ASSERT_TRUE(ClickInProfile(profile, QStringLiteral("手机： 13800010002")));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("13800010002"));
    EXPECT_TRUE(PumpUntil([&] { return ShowsInProfile(profile, QStringLiteral("已复制")); }));
    SaveScreenshot(profile.Widget(), QStringLiteral("profile-copied.png"));
    EXPECT_TRUE(PumpUntil([&] { return !ShowsInProfile(profile, QStringLiteral("已复制")); },
                          std::chrono::seconds(5)))
        << "the notice goes by itself";

    // Expanding shows the tags, work and education, and grows the window.
    const int collapsed = profile.ClientHeight();
    ASSERT_TRUE(ClickInProfile(profile, QStringLiteral("展开")));
    EXPECT_TRUE(profile.Expanded());
    EXPECT_GT(profile.ClientHeight(), collapsed);
    std::vector<QString> titles;
    QString values;
    for (const ProfileSection& section : profile.Sections()) {
        if (section.kind == SectionKind::Title) titles.push_back(section.title);
        for (const auto& [label, value] : section.values)
            values += label + value + "|";
        for (const ProfileChip& chip : section.chips)
            values += chip.text + "|";
    }
    EXPECT_EQ(titles, (std::vector<QString>{QStringLiteral("个人标签"), QStringLiteral("背景")}));
    EXPECT_TRUE(values.contains(QStringLiteral("C++|"))) << values.toStdString();
    EXPECT_TRUE(values.contains(QStringLiteral("公司云帆科技|"))) << values.toStdString();
    EXPECT_TRUE(values.contains(QStringLiteral("学校上海交通大学|"))) << values.toStdString();
    EXPECT_TRUE(values.contains(QStringLiteral("时间2009- 至今|"))) << values.toStdString();
    QApplication::processEvents();
    SaveScreenshot(profile.Widget(), QStringLiteral("profile.png"));

    // "发消息" starts the conversation with him.
    const int requests = LastConversationRequest().count;
    ASSERT_TRUE(ClickInProfile(profile, QStringLiteral("发消息")));
    ASSERT_TRUE(PumpUntil([&] { return LastConversationRequest().count == requests + 1; }));
    EXPECT_EQ(LastConversationRequest().userId, kZhangWei);

    // Asking again raises the same window; Escape closes it.
    const HWND again = Main().OpenProfileWindow(kZhangWei);
    EXPECT_EQ(again, profile.m_hWnd);
    QTest::keyClick(profile.Widget(), Qt::Key_Escape);
    EXPECT_TRUE(PumpUntil([] { return ProfileOf(kZhangWei) == nullptr; }));
}

TEST_F(ProfileWindowTest, AddsAFriendWithALevelAndAVerificationTextThatArrivesOnTheOtherSide) {
    SignInDemo();
    CDlgUserDetail& profile = OpenProfile(kZhaoLei);
    EXPECT_EQ(profile.Contacts().mobile, QStringLiteral("加好友可见"));
    ASSERT_EQ(profile.FirstButton().caption, QStringLiteral("加好友"));
    EXPECT_FALSE(ShowsInProfile(profile, QStringLiteral("点击复制")));
    {
        // The placeholder is plain text: nothing offers to copy it, and a click on it leaves the
        // clipboard alone.
        QGuiApplication::clipboard()->setText(QStringLiteral("之前复制的"));
        const std::optional<UiNode> row =
            FindElement(profile.Content(), QStringLiteral("手机： 加好友可见"));
        ASSERT_TRUE(row);
        EXPECT_EQ(row->role, UiRole::Text);
        const QPoint at = row->rect.ToQRect().center();
        QTest::mouseMove(profile.Content().Widget(), at + QPoint(1, 1));
        QTest::mouseMove(profile.Content().Widget(), at);
        QTest::mouseClick(profile.Content().Widget(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("之前复制的"));
        EXPECT_FALSE(ShowsInProfile(profile, QStringLiteral("已复制")));
    }

    {
        // Closing the chooser ends it: no request.
        DialogAnswerer<CDlgFriendLevel> chooser([](CDlgFriendLevel& dialog) {
            ProfileWindowTest::Click(dialog, QStringLiteral("取消"));
        });
        ASSERT_TRUE(ClickInProfile(profile, QStringLiteral("加好友")));
        ASSERT_TRUE(PumpUntil([&] { return chooser.seen == 1 && !profile.Adding(); }));
    }
    EXPECT_TRUE(RequestFromDemo("zhaolei").isEmpty());
    EXPECT_EQ(profile.FirstButton().caption, QStringLiteral("加好友"));
    {
        // In the verification box Tab goes on to the buttons, and Escape closes the dialog with
        // what was typed unsent.
        DialogAnswerer<CDlgFriendLevel> chooser(
            [](CDlgFriendLevel& dialog) { Click(dialog, QStringLiteral("确定")); });
        bool tabbed = false;
        DialogAnswerer<CDlgAddContactConfirm> confirm([&](CDlgAddContactConfirm& dialog) {
            Compose(*dialog.Box(), QStringLiteral("不会发出"));
            QTest::keyClick(dialog.Box(), Qt::Key_Tab);
            QApplication::processEvents();
            tabbed = !dialog.FocusRect().IsEmpty();
            QTest::keyClick(dialog.Box(), Qt::Key_Escape);
        });
        // This time from the keyboard: Tab walks the window's own buttons into the card's.
        auto onAdd = [&] {
            for (const UiNode& node : profile.Content().Describe())
                if (node.name == QStringLiteral("加好友"))
                    return profile.Content().FocusRect() == node.rect;
            return false;
        };
        profile.Widget()->activateWindow();
        profile.Widget()->setFocus();
        ASSERT_TRUE(PumpUntil([&] { return QApplication::focusWidget() == profile.Widget(); }));
        for (int tab = 0; tab < 12 && !onAdd(); ++tab)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_TRUE(onAdd());
        EXPECT_TRUE(profile.FocusRect().IsEmpty()) << "one focus ring at a time";
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        ASSERT_TRUE(PumpUntil([&] { return confirm.seen == 1 && !profile.Adding(); }));
        EXPECT_TRUE(tabbed);
    }
    EXPECT_TRUE(RequestFromDemo("zhaolei").isEmpty());
    EXPECT_EQ(profile.FirstButton().caption, QStringLiteral("加好友"));

    const QString note = QStringLiteral("我是林晓，想认识你 🙂");
    QString shownText;
    BoxCatcher boxes;
    DialogAnswerer<CDlgFriendLevel> chooser(
        [](CDlgFriendLevel& dialog) { ChooseLevelTwo(dialog, true); });
    DialogAnswerer<CDlgAddContactConfirm> confirm([&](CDlgAddContactConfirm& dialog) {
        shownText = dialog.Text();
        // An empty text is refused and the dialog stays.
        dialog.Box()->setFocus();
        dialog.Box()->selectAll();
        QTest::keyClick(dialog.Box(), Qt::Key_Backspace);
        ASSERT_TRUE(dialog.Text().isEmpty());
        // Enter in the box confirms, as the button does; the notice is answered below.
        QTest::keyClick(dialog.Box(), Qt::Key_Return);
        ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 1; }));
        EXPECT_TRUE(dialog.IsModal());
        Compose(*dialog.Box(), note);
        QTest::keyClick(dialog.Box(), Qt::Key_Return);
    });
    ASSERT_TRUE(ClickInProfile(profile, QStringLiteral("加好友")));
    ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 2; }));
    EXPECT_EQ(shownText.left(5), QStringLiteral("你好，我是"));
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("请输入验证信息"));
    EXPECT_EQ(boxes.boxes[1].caption, QStringLiteral("Lumeno - 提示"));
    EXPECT_EQ(boxes.boxes[1].text, QStringLiteral("好友添加请求发送成功"));
    EXPECT_TRUE(profile.Requested());
    EXPECT_EQ(profile.FirstButton().caption, QStringLiteral("已申请"));
    EXPECT_FALSE(profile.FirstButton().enabled);

    // The other account's pending items hold the request with the text and the level.
    const QJsonObject request = RequestFromDemo("zhaolei");
    ASSERT_FALSE(request.isEmpty());
    EXPECT_EQ(request.value("attach").toString(), note);
    EXPECT_TRUE(request.value("rtext").toString().contains(QStringLiteral("LV2")))
        << request.value("rtext").toString().toStdString();
}

TEST_F(ProfileWindowTest, EndsAFriendshipOnBothSidesAfterTheQuestion) {
    SignInDemo();
    ASSERT_TRUE(ServiceFriends("zhangwei", QStringLiteral("10001")));
    CDlgUserDetail& profile = OpenProfile(kZhangWei);
    {
        // "取消" leaves everything as it was.
        BoxCatcher boxes(QStringLiteral("取消"));
        ASSERT_TRUE(ClickInProfile(profile, QStringLiteral("解除好友关系")));
        ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }));
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("解除好友关系后，双方联系方式和人脉圈"));
    }
    EXPECT_FALSE(profile.Breaking());
    EXPECT_TRUE(ServiceFriends("zhangwei", QStringLiteral("10001")));

    BoxCatcher boxes(QStringLiteral("确定"));
    ASSERT_TRUE(ClickInProfile(profile, QStringLiteral("解除好友关系")));
    ASSERT_TRUE(PumpUntil([&] { return profile.User().dist == 2 && !profile.Fetching(); }));
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_FALSE(ServiceFriends("zhangwei", QStringLiteral("10001")));
    EXPECT_EQ(profile.FirstButton().caption, QStringLiteral("加好友"));
    EXPECT_EQ(profile.Contacts().mobile, QStringLiteral("加好友可见"));
    const UserRecord* stored = CDBUser::Instance().Find(kZhangWei);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->dist, 2);
}

TEST_F(ProfileWindowTest, FailedRequestsSayWhyKeepTheWindowUsableAndChangeNothing) {
    SignInDemo();
    CDlgUserDetail& stranger = OpenProfile(kZhaoLei);

    // A server error while asking whether the person can be added.
    service_.Get("/admin/fault?kind=http500&path=/lumeno/contact/v3/try_add&count=1");
    {
        BoxCatcher boxes;
        ASSERT_TRUE(ClickInProfile(stranger, QStringLiteral("加好友")));
        ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty() && !stranger.Adding(); }));
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("对不起，添加好友失败"));
    }
    EXPECT_EQ(stranger.FirstButton().caption, QStringLiteral("加好友"));
    EXPECT_TRUE(stranger.FirstButton().enabled);

    // A malformed answer to the request itself: nothing is sent as far as the window knows.
    service_.Get("/admin/fault?kind=malformed&path=/lumeno/contact/v3/init_req&count=1");
    {
        DialogAnswerer<CDlgFriendLevel> chooser(
            [](CDlgFriendLevel& dialog) { ChooseLevelTwo(dialog, false); });
        DialogAnswerer<CDlgAddContactConfirm> confirm(
            [](CDlgAddContactConfirm& dialog) { Click(dialog, QStringLiteral("确定")); });
        BoxCatcher boxes;
        ASSERT_TRUE(ClickInProfile(stranger, QStringLiteral("加好友")));
        ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty() && !stranger.Adding(); }));
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("对不起，添加好友失败"));
    }
    EXPECT_FALSE(stranger.Requested());
    EXPECT_EQ(stranger.FirstButton().caption, QStringLiteral("加好友"));

    // A service that answers too late.
    const RequestLimits limits = DefaultRequestLimits();
    RequestLimits quick = limits;
    quick.totalSeconds = 1;
    SetDefaultRequestLimits(quick);
    service_.Get("/admin/fault?kind=delay&ms=3000&path=/lumeno/contact/v3/try_add&count=1");
    {
        BoxCatcher boxes;
        ASSERT_TRUE(ClickInProfile(stranger, QStringLiteral("加好友")));
        ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty() && !stranger.Adding(); }));
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("对不起，添加好友失败"));
    }
    SetDefaultRequestLimits(limits);
    EXPECT_TRUE(RequestFromDemo("zhaolei").isEmpty());

    // A profile whose details do not come says so, and its window stays.
    service_.Get("/admin/fault?kind=http500&path=/lumeno/contact/v3/detail&count=1");
    {
        BoxCatcher boxes;
        CDlgUserDetail& unfetched = OpenProfile("10005");
        ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }));
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("详细资料没能取到，请检查网络后重试。"));
        EXPECT_TRUE(unfetched.IsWindow());
    }

    // A server error while ending a friendship: still friends here and there.
    CDlgUserDetail& friendWindow = OpenProfile(kZhangWei);
    service_.Get("/admin/fault?kind=http500&path=/lumeno/contact/v3/break&count=1");
    {
        BoxCatcher boxes(QStringLiteral("确定"));
        ASSERT_TRUE(ClickInProfile(friendWindow, QStringLiteral("解除好友关系")));
        ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 2 && !friendWindow.Breaking(); }));
        EXPECT_EQ(boxes.boxes[1].text, QStringLiteral("解除好友关系没有成功，请稍后重试。"));
    }
    EXPECT_EQ(CDBUser::Instance().Find(kZhangWei)->dist, 1);
    EXPECT_EQ(friendWindow.FirstButton().caption, QStringLiteral("解除好友关系"));
    EXPECT_TRUE(ServiceFriends("zhangwei", QStringLiteral("10001")));

    // A revoked sign-in: the service's own message, then the login page; the windows go.
    service_.Get("/admin/revoke?qxid=demo");
    {
        BoxCatcher boxes(QStringLiteral("确定"));
        ASSERT_TRUE(ClickInProfile(friendWindow, QStringLiteral("解除好友关系")));
        ASSERT_TRUE(PumpUntil([] { return !Main().SignedIn(); }));
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_TRUE(boxes.boxes[1].text.contains(QStringLiteral("(错误码: 2000")))
            << boxes.boxes[1].text.toStdString();
    }
    EXPECT_TRUE(PumpUntil(
        [] { return platform::FindWindowByClass(CDlgUserDetail::WindowClassName()) == nullptr; }));
    EXPECT_TRUE(ServiceFriends("zhangwei", QStringLiteral("10001")));
}

TEST_F(ProfileWindowTest, TheFriendLevelChooserClosesWhenTheSignInEndsUnderIt) {
    SignInDemo();
    CDlgUserDetail& profile = OpenProfile(kZhaoLei);
    DialogAnswerer<CDlgFriendLevel> chooser([](CDlgFriendLevel&) { Main().ReturnToLogin(true); });
    ASSERT_TRUE(ClickInProfile(profile, QStringLiteral("加好友")));
    ASSERT_TRUE(PumpUntil([] { return !Main().SignedIn(); }));
    EXPECT_TRUE(PumpUntil([] {
        return platform::FindWindowByClass(CDlgFriendLevel::WindowClassName()) == nullptr &&
               platform::FindWindowByClass(CDlgUserDetail::WindowClassName()) == nullptr;
    }));
    EXPECT_EQ(chooser.seen, 1);
    EXPECT_TRUE(RequestFromDemo("zhaolei").isEmpty());
}

TEST_F(ProfileWindowTest, AcceptsTheRequestThePendingItemsOpenedItFor) {
    SignInDemo();
    // 赵磊's request waits in the account's pending items.
    QJsonObject request;
    for (const QJsonValue& item :
         AsOther("demo", "/lumeno/user/v3/tasks?pending=1").value("requests").toArray()) {
        if (item.toObject().value("icon_qxid").toString() == QString::fromUtf8(kZhaoLei) &&
            item.toObject().value("type").toInt() == 4) {
            request = item.toObject();
        }
    }
    ASSERT_FALSE(request.isEmpty());
    CDlgUserDetail& profile = OpenProfile(kZhaoLei);
    profile.PostMessage(UM_PENDING_REQUEST, static_cast<WPARAM>(request.value("id").toInt()),
                        static_cast<LPARAM>(request.value("type").toInt()));
    ASSERT_TRUE(PumpUntil([&] { return profile.FirstButton().action == CardAction::Accept; }));
    EXPECT_EQ(profile.FirstButton().caption, QStringLiteral("通过申请"));

    DialogAnswerer<CDlgFriendLevel> chooser(
        [](CDlgFriendLevel& dialog) { Click(dialog, QStringLiteral("确定")); });
    ASSERT_TRUE(ClickInProfile(profile, QStringLiteral("通过申请")));
    ASSERT_TRUE(PumpUntil([&] { return profile.User().dist == 1 && !profile.Fetching(); }));
    EXPECT_TRUE(ServiceFriends("zhaolei", QStringLiteral("10001")));
    EXPECT_EQ(profile.FirstButton().caption, QStringLiteral("解除好友关系"));
    EXPECT_EQ(profile.Contacts().mobile, QStringLiteral("13800010009"));
}

TEST_F(ProfileWindowTest, TheOwnProfileAndAnAnonymousJobSeekersCard) {
    SignInDemo();
    CDlgUserDetail& own = OpenProfile("10001");
    EXPECT_EQ(own.FirstButton().action, CardAction::EditOwn);
    EXPECT_TRUE(ShowsInProfile(own, QStringLiteral("更新个人信息")));
    EXPECT_FALSE(ShowsInProfile(own, QStringLiteral("发消息")));
    own.DestroyWindow();
    ASSERT_TRUE(PumpUntil([] { return ProfileOf("10001") == nullptr; }));

    CDlgUserDetail& seeker = OpenProfile("10015");
    ASSERT_TRUE(seeker.User().anonym);
    EXPECT_TRUE(ShowsInProfile(seeker, QStringLiteral("与他联系")));
    ASSERT_TRUE(ClickInProfile(seeker, QStringLiteral("展开")));
    QString values;
    for (const ProfileSection& section : seeker.Sections()) {
        values += section.title + "|";
        for (const auto& [label, value] : section.values)
            values += label + value + "|";
        for (const ProfileChip& chip : section.chips)
            values += chip.text + "|";
    }
    EXPECT_TRUE(values.contains(QStringLiteral("技能标签||B端产品|增长|数据驱动|")))
        << values.toStdString();
    EXPECT_TRUE(values.contains(QStringLiteral("公司某互联网公司|"))) << values.toStdString();
    EXPECT_TRUE(values.contains(QStringLiteral("求职宣言|"))) << values.toStdString();
    QApplication::processEvents();
    SaveScreenshot(seeker.Widget(), QStringLiteral("profile-job-seeker.png"));
}

}  // namespace
}  // namespace lumeno::test
