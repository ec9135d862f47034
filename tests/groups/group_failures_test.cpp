// Every failure of the group windows against the local service's faults: a clear message over
// the window that asked, the window still usable, and nothing changed locally that the service
// did not change. Also the refusals the windows make themselves, and the forced return to the
// login page while a window asks a question.
#include <QWheelEvent>

#include "config/config.h"
#include "net/w3_client.h"
#include "tests/groups/group_steps.h"
#include "ui/chat/chat_entry.h"
#include "util/user_messages.h"

namespace {

using namespace lumeno::test;

class GroupFailuresTest : public GroupWindowsTest {
  protected:
    void Fault(const std::string& kind, const std::string& path, const std::string& more = "") {
        ASSERT_NE(service_.Get("/admin/fault?kind=" + kind + "&path=" + path + more).find("ok"),
                  std::string::npos);
    }
    std::int32_t OwnGroup() { return GroupNamed("产品研发群"); }
};

TEST_F(GroupFailuresTest, StartingAndAddingFailCleanlyAndNameWhoFailed) {
    SignInDemo();
    const std::size_t conversations = CDBMsgDlg::Instance().Conversations().size();
    Main().RunCommand(MainCommand::StartChat);
    CDlgGenerateSession* picker = CDlgGenerateSession::Find(0);
    ASSERT_NE(picker, nullptr);
    TickBySearch(*picker, QStringLiteral("wf"));
    TickBySearch(*picker, QStringLiteral("alice"));
    const int requests = LastConversationRequest().count;
    // An HTML error page, then an answer that is not JSON: no code, still a message.
    for (const std::string kind : {"http500", "malformed"}) {
        Fault(kind, "/lumeno/msg/v3/get_mid", "&count=1");
        BoxCatcher boxes;
        ASSERT_TRUE(ClickElement(*picker, QStringLiteral("确定(2)")));
        ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 1 && !picker->Confirming(); }))
            << kind;
        EXPECT_TRUE(boxes.boxes[0].text.startsWith(QStringLiteral("发起聊天失败"))) << kind;
        EXPECT_EQ(picker->Note(), boxes.boxes[0].text);
        EXPECT_EQ(CDlgGenerateSession::Find(0), picker) << "the picker stays, ticks and all";
        EXPECT_EQ(picker->Candidates().Selected().size(), 2u);
        EXPECT_EQ(LastConversationRequest().count, requests) << "nothing was opened";
        EXPECT_EQ(CDBMsgDlg::Instance().Conversations().size(), conversations);
    }
    // "确定" with nobody ticked closes without a request; the ticks are taken back first.
    ASSERT_TRUE(ClickElement(*picker, QStringLiteral("移除 王芳")));
    ASSERT_TRUE(ClickElement(*picker, QStringLiteral("移除 Alice Martin")));
    ASSERT_TRUE(PumpUntil([&] { return picker->Candidates().Selected().empty(); }));
    ASSERT_TRUE(ClickElement(*picker, QStringLiteral("确定")));
    ASSERT_TRUE(PumpUntil([] { return CDlgGenerateSession::Find(0) == nullptr; }));
    EXPECT_EQ(LastConversationRequest().count, requests);

    // Adding two people where the service refuses the second: the first stays added, the
    // message names the second, who stays ticked while the first is no longer offered.
    const std::int32_t team = OwnGroup();
    ASSERT_GT(team, 0);
    CDlgUserGroupList* info = InfoWindow(team);
    ASSERT_NE(info, nullptr);
    ASSERT_TRUE(ClickElement(info->List(), QStringLiteral("添加成员")));
    CDlgGenerateSession* adding = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (adding = CDlgGenerateSession::Find(team)) != nullptr; }));
    TickBySearch(*adding, QStringLiteral("wf"));
    TickBySearch(*adding, QStringLiteral("alice"));
    Fault("http500", "/lumeno/msg/v3/add_user", "&skip=1&count=1");
    {
        BoxCatcher boxes;
        ASSERT_TRUE(ClickElement(*adding, QStringLiteral("确定(2)")));
        ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 1 && !adding->Confirming(); }));
        EXPECT_TRUE(
            boxes.boxes[0].text.startsWith(QStringLiteral("已添加 1 人，添加 Alice Martin 失败")))
            << boxes.boxes[0].text.toStdString();
    }
    EXPECT_TRUE(Members(team).count(kWang));
    EXPECT_FALSE(Members(team).count(kAlice));
    EXPECT_EQ(adding->Candidates().Selected(), std::vector<std::string>{kAlice});
    EXPECT_EQ(adding->Candidates().Find(kWang), nullptr);
    // The same picker tries again and succeeds.
    ASSERT_TRUE(ClickElement(*adding, QStringLiteral("确定(1)")));
    ASSERT_TRUE(PumpUntil([&] { return CDlgGenerateSession::Find(team) == nullptr; }));
    EXPECT_TRUE(Members(team).count(kAlice));

    // A restricted group takes members only from its creator.
    const std::int32_t official = GroupNamed("Lumeno 官方用户群");
    ASSERT_GT(official, 0);
    WriteConfigString("group", "mid", std::to_string(official));
    CDlgUserGroupList* restricted = InfoWindow(official);
    ASSERT_NE(restricted, nullptr);
    // Ten members: the add cell is below the fold.
    QWheelEvent wheel(QPointF(100, 100),
                      restricted->List().Widget()->mapToGlobal(QPointF(100, 100)), QPoint(),
                      QPoint(0, -120 * 5), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(restricted->List().Widget(), &wheel);
    ASSERT_TRUE(PumpUntil([&] { return restricted->List().GetTopIndex() > 0; }));
    {
        BoxCatcher boxes(QStringLiteral("我知道了"));
        ASSERT_TRUE(ClickElement(restricted->List(), QStringLiteral("添加成员")));
        ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 1; }));
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("您不是管理员，不允许添加成员"));
        EXPECT_EQ(boxes.boxes[0].buttons, std::vector<QString>{QStringLiteral("我知道了")});
    }
    EXPECT_EQ(CDlgGenerateSession::Find(official), nullptr);
}

TEST_F(GroupFailuresTest, RenameAndRemoveFailuresChangeNothing) {
    SignInDemo();
    const std::int32_t team = OwnGroup();
    ASSERT_GT(team, 0);
    const std::string before = CDBMsgDlg::Instance().FindConversation(team)->name;
    const std::set<std::string> members = Members(team);
    CDlgUserGroupList* info = InfoWindow(team);
    ASSERT_NE(info, nullptr);

    // A malformed answer to the rename: the message, the old name, the typed one offered again.
    Fault("malformed", "/lumeno/msg/v3/set_msg_name", "&count=1");
    info->BeginNameEdit(QString::fromStdString(before));
    ASSERT_TRUE(PumpUntil([&] { return info->NameBox()->hasFocus(); }));
    info->NameBox()->selectAll();
    Commit(info->NameBox(), QStringLiteral("新名字"));
    {
        BoxCatcher boxes;
        QTest::keyClick(info->NameBox(), Qt::Key_Return);
        ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 1 && !info->Busy(); }));
        EXPECT_TRUE(boxes.boxes[0].text.startsWith(QStringLiteral("修改群组名称失败")));
    }
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(team)->name, before);
    ASSERT_TRUE(PumpUntil([&] { return info->EditingName(); }));
    EXPECT_EQ(info->NameBox()->text(), QStringLiteral("新名字"));
    info->NameBox()->setText(QString::fromStdString(before));
    QTest::keyClick(info->NameBox(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return !info->EditingName(); }));
    EXPECT_FALSE(info->Busy()) << "the current name sends nothing";

    // A removal that times out: the message, and the member is still there.
    SetDefaultRequestLimits(RequestLimits{5, 1});
    Fault("delay", "/lumeno/msg/v3/remove_user", "&count=1&ms=2500");
    ASSERT_TRUE(ClickElement(info->List(), QStringLiteral("删除成员")));
    ASSERT_TRUE(PumpUntil([&] { return info->RemoveMode(); }));
    {
        BoxCatcher boxes(QStringLiteral("确定"));
        ASSERT_TRUE(ClickElement(info->List(), QStringLiteral("删除 陈静")));
        ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 2 && !info->Busy(); }));
        EXPECT_TRUE(boxes.boxes[1].text.startsWith(QStringLiteral("删除 陈静 失败")));
    }
    SetDefaultRequestLimits(RequestLimits{});
    EXPECT_EQ(Members(team), members);
    EXPECT_EQ(CDlgUserGroupList::Find(team), info) << "the window stays";

    // A question open when the account is forced back to the login page: the box goes first,
    // then the window, and nothing touches it afterwards.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (platform::FindWindowByClass(CDlgMesssageBox::WindowClassName())) {
            watch.stop();
            Main().PostMessage(UM_RETURN_TO_LOGIN, 0, 1);
        }
    });
    watch.start(20);
    ASSERT_TRUE(ClickElement(info->List(), QStringLiteral("删除 李娜")));
    ASSERT_TRUE(PumpUntil([&] { return !Main().SignedIn(); }));
    ASSERT_TRUE(PumpUntil([&] { return CDlgUserGroupList::Find(team) == nullptr; }));
    EXPECT_EQ(Members(team), std::set<std::string>{}) << "the store was emptied, not changed";
}

TEST_F(GroupFailuresTest, RevokedTokenClosesTheGroupWindowsAndThePicker) {
    SignInDemo();
    const std::int32_t team = OwnGroup();
    CDlgUserGroupList* info = InfoWindow(team);
    ASSERT_NE(info, nullptr);
    ASSERT_TRUE(ClickElement(info->List(), QStringLiteral("添加成员")));
    CDlgGenerateSession* adding = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (adding = CDlgGenerateSession::Find(team)) != nullptr; }));
    TickBySearch(*adding, QStringLiteral("wf"));
    ASSERT_NE(service_.Get("/admin/revoke?qxid=10001&code=20002").find("ok"), std::string::npos);
    {
        BoxCatcher boxes;
        ASSERT_TRUE(ClickElement(*adding, QStringLiteral("确定(1)")));
        ASSERT_TRUE(PumpUntil([&] { return !Main().SignedIn(); }));
        ASSERT_GE(boxes.boxes.size(), 1u);
        EXPECT_TRUE(boxes.boxes[0].text.contains(QStringLiteral("添加 王芳 失败")));
        EXPECT_TRUE(boxes.boxes[0].text.contains(QStringLiteral("20002")));
    }
    ASSERT_TRUE(PumpUntil([&] {
        return CDlgGenerateSession::Find(team) == nullptr &&
               CDlgUserGroupList::Find(team) == nullptr;
    }));
}

}  // namespace
