// The group windows on the user's whole path against the local service: a chat with three people
// started from the main menu's picker, a member added through the information window and one
// removed, the group renamed in place (and every member's account told so by the service),
// muted, and left.
#include "tests/groups/group_steps.h"
#include "tests/support/menu_picker.h"
#include "ui/chat/chat_entry.h"
#include "ui/contacts/page_contact.h"

namespace {

using namespace lumeno::test;

// A member's remove mark as the window shows it: its red disc, with the white "−" across its
// middle, lies over the avatar rather than under it.
bool RemoveMarkShows(CDlgUserGroupList& info, const QString& name) {
    const std::optional<UiNode> mark = FindElement(info.List(), name);
    if (!mark) return false;
    info.List().Invalidate(false);
    PumpUntil([] { return false; }, std::chrono::milliseconds(100));
    const QImage shown = info.List().Widget()->grab().toImage();
    const QRect rect = mark->rect.ToQRect().translated(info.List().ClientOrigin());
    int red = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor pixel = shown.pixelColor(x, y);
            red += pixel.red() > 180 && pixel.green() < 90 && pixel.blue() < 90;
        }
    }
    // The "−" is white across the disc's middle rows.
    bool minus = false;
    for (int y = rect.center().y() - 1; y <= rect.center().y() + 2; ++y) {
        const QColor pixel = shown.pixelColor(rect.center().x(), y);
        minus = minus || std::min({pixel.red(), pixel.green(), pixel.blue()}) > 190;
    }
    // The disc is some 220 pixels; under the avatar only a sliver of about 80 shows.
    return red > 150 && minus;
}

TEST_F(GroupWindowsTest, ChatWithThreeIsStartedChangedRenamedMutedAndLeft) {
    SignInDemo();
    {
        MenuPicker menu(QStringLiteral("发起聊天"));
        ASSERT_TRUE(Activate(Main(), UiRole::Button, QStringLiteral("主菜单")));
        ASSERT_TRUE(PumpUntil([] { return CDlgGenerateSession::Find(0) != nullptr; }));
    }
    CDlgGenerateSession* picker = CDlgGenerateSession::Find(0);
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->GetWindowText(), QStringLiteral("Lumeno - 发起聊天"));
    Main().RunCommand(MainCommand::StartChat);
    EXPECT_EQ(CDlgGenerateSession::Find(0), picker) << "the open picker comes forward";
    EXPECT_TRUE(PumpUntil([&] { return QApplication::focusWidget() == picker->SearchBox(); }));

    // Initials in either case find the same person; Enter ticks the first result.
    TickBySearch(*picker, QStringLiteral("ZW"));
    TickBySearch(*picker, QStringLiteral("wf"));
    {
        // From the keyboard alone: Tab leaves the search box for the window's elements and the
        // result rows, Space ticks the row it is on, Escape in the box ends the search.
        CEditEx* box = picker->SearchBox();
        QTest::keyClicks(box, QStringLiteral("ali"));
        ASSERT_TRUE(PumpUntil([&] { return picker->Candidates().Searching(); }));
        auto onAlice = [&] {
            for (const UiNode& node : picker->List().Describe())
                if (node.name == QStringLiteral("Alice Martin"))
                    return node.role == UiRole::CheckBox && picker->List().FocusRect() == node.rect;
            return false;
        };
        for (int tab = 0; tab < 12 && !onAlice(); ++tab)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_TRUE(onAlice());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        ASSERT_TRUE(PumpUntil([&] { return picker->Candidates().Selected().size() == 3; }));
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Escape);
        ASSERT_TRUE(PumpUntil([&] { return !picker->Candidates().Searching(); }));
    }
    EXPECT_EQ(picker->Candidates().Selected(), (std::vector<std::string>{kZhang, kWang, kAlice}));
    // A click on the strip's mark unticks, a click on the row ticks again.
    ASSERT_TRUE(ClickElement(*picker, QStringLiteral("移除 Alice Martin")));
    ASSERT_TRUE(PumpUntil([&] { return picker->Candidates().Selected().size() == 2; }));
    ASSERT_TRUE(ClickRow(*picker, QStringLiteral("Alice Martin")));
    ASSERT_TRUE(PumpUntil([&] { return picker->Candidates().Selected().size() == 3; }));
    EXPECT_EQ(picker->ConfirmCaption(), QStringLiteral("确定(3)"));
    Screenshot(*picker, QStringLiteral("group-start-chat.png"));

    const int requests = LastConversationRequest().count;
    ASSERT_TRUE(ClickElement(*picker, QStringLiteral("确定(3)")));
    ASSERT_TRUE(PumpUntil([] { return CDlgGenerateSession::Find(0) == nullptr; }));
    ASSERT_EQ(LastConversationRequest().count, requests + 1) << "the conversation was opened";
    const std::int32_t mid = LastConversationRequest().conversationId;
    ASSERT_GT(mid, 0);
    EXPECT_EQ(Members(mid), (std::set<std::string>{kDemo, kZhang, kWang, kAlice}));

    // The information window: one per conversation, members, add and remove cells.
    CDlgUserGroupList* info = InfoWindow(mid);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(InfoWindow(mid), info);
    EXPECT_TRUE(info->IsGroup());
    ASSERT_TRUE(FindElement(info->List(), QStringLiteral("张伟")));
    // The creator's remove cell, once the synchronisation has told who created the group.
    ASSERT_TRUE(PumpUntil(
        [&] { return FindElement(info->List(), QStringLiteral("删除成员")).has_value(); }));

    // Adding: the picker offers nobody who is already a member.
    ASSERT_TRUE(ClickElement(info->List(), QStringLiteral("添加成员")));
    CDlgGenerateSession* adding = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (adding = CDlgGenerateSession::Find(mid)) != nullptr; }));
    EXPECT_EQ(adding->GetWindowText(), QStringLiteral("Lumeno - 添加参与人"));
    for (const char* member : {kZhang, kWang, kAlice})
        EXPECT_EQ(adding->Candidates().Find(member), nullptr) << member;
    // With the keyboard alone: the name, Enter ticks; Enter on the empty box confirms.
    TickBySearch(*adding, QStringLiteral("lina"));
    QTest::keyClick(adding->SearchBox(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return CDlgGenerateSession::Find(mid) == nullptr; }));
    ASSERT_TRUE(PumpUntil([&] { return info->Members().size() == 5; }));
    EXPECT_TRUE(Members(mid).count(kLina));
    ASSERT_TRUE(FindElement(info->List(), QStringLiteral("李娜")));

    // Removing: the remove cell marks the members, a mark asks, the answer removes.
    ASSERT_TRUE(ClickElement(info->List(), QStringLiteral("删除成员")));
    ASSERT_TRUE(PumpUntil([&] { return info->RemoveMode(); }));
    EXPECT_FALSE(FindElement(info->List(), QStringLiteral("删除 林晓"))) << "not oneself";
    for (const char* name : {"张伟", "王芳", "Alice Martin", "李娜"})
        EXPECT_TRUE(RemoveMarkShows(*info, QStringLiteral("删除 ") + QString::fromUtf8(name)))
            << name;
    Screenshot(*info, QStringLiteral("group-members-removing.png"));
    {
        BoxCatcher boxes(QStringLiteral("确定"));
        ASSERT_TRUE(ClickElement(info->List(), QStringLiteral("删除 王芳")));
        ASSERT_TRUE(PumpUntil([&] { return !Members(mid).count(kWang); }));
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("确定要将 王芳 从该群删除吗？"));
    }
    ASSERT_TRUE(PumpUntil([&] { return info->Members().size() == 4; }));
    ASSERT_TRUE(ClickElement(info->List(), QStringLiteral("删除成员")));
    ASSERT_TRUE(PumpUntil([&] { return !info->RemoveMode(); }));

    // Renaming in place: a click on the name edits it, Enter sends it.
    const auto nameField = FindElement(*info, [](const UiNode& node) {
        return node.role == UiRole::Button && node.name.startsWith(QStringLiteral("群聊名称："));
    });
    ASSERT_TRUE(nameField);
    // The picker that was in front has gone: the user comes back to this window.
    info->Widget()->activateWindow();
    ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == info->Widget(); }));
    ASSERT_TRUE(ClickAt(*info, nameField->rect));
    ASSERT_TRUE(PumpUntil([&] { return info->EditingName() && info->NameBox()->hasFocus(); }));
    info->NameBox()->selectAll();
    Commit(info->NameBox(), QStringLiteral(" Q3 规划 & review 2026"));
    QTest::keyClick(info->NameBox(), Qt::Key_Return);
    const std::string renamed = "Q3 规划 & review 2026";
    ASSERT_TRUE(PumpUntil([&] {
        const ConversationRecord* c = CDBMsgDlg::Instance().FindConversation(mid);
        return c && c->name == renamed;
    }));
    EXPECT_FALSE(info->EditingName());
    EXPECT_TRUE(FindElement(*info, QStringLiteral("群聊名称：") + QString::fromStdString(renamed)));
    // Our own contact list, and every member through the service.
    Main().SwitchPage(MainPage::Contacts);
    CPageContact* contacts = Main().ContactPage();
    ASSERT_NE(contacts, nullptr);
    contacts->Search(QStringLiteral("Q3"));
    ASSERT_TRUE(PumpUntil([&] {
        const ContactListEntry* first = contacts->EntryAt(0);
        return first && first->name == renamed;
    }));
    contacts->LeaveSearch();
    for (const char* account : {"zhangwei", "alice", "lina"})
        EXPECT_EQ(NameSeenBy(account, mid), renamed) << account;

    // Muting: the second choice shows only the count.
    ASSERT_TRUE(ClickElement(*info, QStringLiteral("不提示消息只显示数目")));
    ASSERT_TRUE(
        PumpUntil([&] { return CDBMsgDlg::Instance().FindConversation(mid)->notify == 0; }));
    Screenshot(*info, QStringLiteral("group-members.png"));

    // Leaving through the menu, after the question.
    {
        MenuPicker menu(QStringLiteral("退出群聊"));
        BoxCatcher boxes(QStringLiteral("确定"));
        ASSERT_TRUE(ClickElement(*info, QStringLiteral("更多")));
        ASSERT_TRUE(PumpUntil([&] { return CDlgUserGroupList::Find(mid) == nullptr; }));
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("退出群聊后不能再接收该群消息，同时"));
    }
    EXPECT_EQ(NameSeenBy("demo", mid), "") << "the service no longer lists it for the user";
}

// A one-to-one conversation has no name and no menu; its add cell makes a group of its peer and
// the people ticked, opened once the service gave its id. A group created by someone else has
// no remove cell.
TEST_F(GroupWindowsTest, OneToOneConversationGrowsIntoAGroup) {
    SignInDemo();
    // Six people ticked: the strip shows five and its arrows move it one at a time; back at
    // five it starts again from the first. Escape on the empty search box closes the picker.
    Main().RunCommand(MainCommand::StartChat);
    CDlgGenerateSession* picker = CDlgGenerateSession::Find(0);
    ASSERT_NE(picker, nullptr);
    std::vector<std::string> six;
    for (int row = 0; row < picker->Candidates().ShownCount() && six.size() < 6; ++row)
        six.push_back(picker->Candidates().ShownAt(row)->qxid);
    ASSERT_EQ(six.size(), 6u);
    for (const std::string& qxid : six)
        picker->Toggle(qxid);
    PumpUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_FALSE(ClickElement(*picker, QStringLiteral("向左")) &&
                 picker->Candidates().StripOffset())
        << "nothing before the first";
    ASSERT_TRUE(ClickElement(*picker, QStringLiteral("向右")));
    ASSERT_TRUE(PumpUntil([&] { return picker->Candidates().StripOffset() == 1; }));
    ASSERT_TRUE(ClickElement(*picker, QStringLiteral("向右")));
    PumpUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_EQ(picker->Candidates().StripOffset(), 1) << "the last one is already shown";
    picker->Toggle(six[2]);
    EXPECT_EQ(picker->Candidates().StripOffset(), 0);
    EXPECT_FALSE(FindElement(*picker, QStringLiteral("向右")));
    QTest::keyClick(picker->SearchBox(), Qt::Key_Escape);
    ASSERT_TRUE(PumpUntil([] { return CDlgGenerateSession::Find(0) == nullptr; }));

    const std::int32_t hike = GroupNamed("周末徒步");
    ASSERT_GT(hike, 0);
    CDlgUserGroupList* theirs = InfoWindow(hike);
    ASSERT_NE(theirs, nullptr);
    EXPECT_FALSE(FindElement(theirs->List(), QStringLiteral("删除成员")));
    ASSERT_TRUE(FindElement(theirs->List(), QStringLiteral("添加成员")));
    theirs->Close();

    std::int32_t direct = 0;
    for (const auto& [id, c] : CDBMsgDlg::Instance().Conversations()) {
        if (c->type != kGroupConversationType && c->member_ids.size() <= 2 &&
            std::count(c->member_ids.begin(), c->member_ids.end(), kZhang)) {
            direct = id;
        }
    }
    ASSERT_GT(direct, 0);
    CDlgUserGroupList* info = InfoWindow(direct);
    ASSERT_NE(info, nullptr);
    EXPECT_FALSE(info->IsGroup());
    EXPECT_FALSE(FindElement(*info, QStringLiteral("更多")));
    EXPECT_EQ(info->List().GetWindowRect().Height(), 590 - 110) << "taller without the name";
    ASSERT_TRUE(ClickElement(info->List(), QStringLiteral("添加成员")));
    CDlgGenerateSession* adding = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (adding = CDlgGenerateSession::Find(direct)) != nullptr; }));
    EXPECT_EQ(adding->Candidates().Find(kZhang), nullptr);
    TickBySearch(*adding, QStringLiteral("chen"));
    const std::string ticked = adding->Candidates().Selected().front();
    const int requests = LastConversationRequest().count;
    ASSERT_TRUE(ClickElement(*adding, QStringLiteral("确定(1)")));
    ASSERT_TRUE(PumpUntil([&] { return LastConversationRequest().count == requests + 1; }));
    const std::int32_t group = LastConversationRequest().conversationId;
    EXPECT_NE(group, direct);
    EXPECT_EQ(Members(group), (std::set<std::string>{kDemo, kZhang, ticked}));
    EXPECT_NE(CDBMsgDlg::Instance().FindConversation(direct), nullptr) << "the pair stays";
}

}  // namespace
