// The pending-items window against the local service: the demo account's list with every kind
// of card, answered and ignored as a person does, with what the other account sees afterwards;
// a list of several pages; the window hidden and shown again.
#include <QDesktopServices>
#include <QDir>
#include <QUrl>
#include <map>

#include <algorithm>

#include "api/contacts.h"
#include "net/w3_client.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/box_catcher.h"
#include "tests/support/build_tree.h"
#include "tests/support/pending_window.h"
#include "tests/support/screenshot.h"
#include "ui/contacts/page_contact.h"
#include "ui/pending/dlg_send_resume.h"
#include "ui/pending/dlg_special_recommend.h"

namespace lumeno::test {
namespace {

class BrowserStandIn : public QObject {
    Q_OBJECT
  public:
    BrowserStandIn() {
        for (const char* scheme : {"http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
    ~BrowserStandIn() override {
        for (const char* scheme : {"http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    std::vector<QUrl> opened;
  public Q_SLOTS:
    void Open(const QUrl& url) { opened.push_back(url); }
};

// A conversation of the account with exactly `people` besides the account itself.
bool ConversationOf(std::vector<std::string> people) {
    const std::string me = CDBLogin::Instance().Record().qxid;
    std::sort(people.begin(), people.end());
    for (const auto& [id, conversation] : CDBMsgDlg::Instance().Conversations()) {
        std::vector<std::string> others;
        for (const std::string& member : conversation->member_ids)
            if (member != me) others.push_back(member);
        std::sort(others.begin(), others.end());
        if (others == people && conversation->deleted != 1) return true;
    }
    return false;
}

bool Contact(const std::string& qxid) {
    const UserRecord* user = FindUser(qxid);
    return user && user->dist == 1;
}

TEST_F(PendingWindowTest, FriendRequestAcceptedHereChangesBothContactLists) {
    SignInDemo();
    OpenFromConversationPage();
    EXPECT_TRUE(Window().IsWindowVisible());
    // Every kind the demo account waits for has its card, under date headers.
    for (std::int32_t type :
         {pending_type::kFriendRequest, pending_type::kRecommendation, pending_type::kLevelRequest,
          pending_type::kJobOffer, pending_type::kGroupInvitation, pending_type::kNotice}) {
        const PendingItem* item = ItemOfType(type);
        ASSERT_NE(item, nullptr) << type;
        EXPECT_GE(Window().RowOf(item->id), 1) << "below a header";
    }
    EXPECT_EQ(Window().Rows().front().kind, SpecialRowKind::Header);
    {
        // The picture for the README: every kind of card.
        Window().List().SetTopIndex(0);
        QTest::qWait(800);  // the avatars arrive from the image cache
        EXPECT_TRUE(SaveAtBothScales(Window().Widget(),
                                     QString::fromUtf8(lumeno::test::build::ScreenshotDir()),
                                     QStringLiteral("pending-items")));
    }

    const PendingItem* request = ItemOfType(pending_type::kFriendRequest);
    const std::int32_t id = request->id;
    const std::string peer = request->icon_qxid;
    const std::string me = CDBLogin::Instance().Record().qxid;
    ASSERT_FALSE(Contact(peer));
    int asked = 0;
    Window().SetLevelChooser([&](HWND owner) {
        EXPECT_EQ(owner, Window().m_hWnd) << "the chooser stands over the window that asked";
        ++asked;
        return 2;
    });
    ASSERT_TRUE(PressButton(id, QStringLiteral("接受")));
    ASSERT_TRUE(PumpUntil([&] { return FindPendingItem(id) && FindPendingItem(id)->action.used; }));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(CardShows(id, QStringLiteral("已接受")));
    EXPECT_FALSE(CardShows(id, QStringLiteral("忽略"))) << "the other button goes";
    ASSERT_TRUE(PumpUntil([&] { return Contact(peer); })) << "our contact list has the person";
    EXPECT_TRUE(PumpUntil([&] {
        CPageContact* contacts = Main().ContactPage();
        for (int row = 0; contacts && row < contacts->List().GetCount(); ++row) {
            const ContactListEntry* entry = contacts->EntryAt(row);
            if (entry && entry->kind == EntryKind::Person && entry->qxid == peer) return true;
        }
        return false;
    })) << "and shows it on the contacts page";
    // The other side, as the service tells that account.
    const std::string theirs = service_.Get("/lumeno/contact/v3/d1?" + AuthOf(peer));
    EXPECT_NE(theirs.find("\"" + me + "\""), std::string::npos) << theirs.substr(0, 300);

    // Ignoring: the card says so, and the action button goes.
    const std::int32_t invitation = ItemOfType(pending_type::kGroupInvitation)->id;
    ASSERT_TRUE(PressButton(invitation, QStringLiteral("忽略")));
    ASSERT_TRUE(PumpUntil([&] { return FindPendingItem(invitation)->ignore.used == 1; }));
    EXPECT_TRUE(CardShows(invitation, QStringLiteral("已忽略")));
    EXPECT_FALSE(CardShows(invitation, QStringLiteral("加入")));

    {
        // The lower cards, with the answers given.
        Window().List().SetTopIndex(Window().RowOf(invitation) - 1);
        QTest::qWait(300);
        EXPECT_TRUE(Window().Widget()->grab().save(
            (QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
             QStringLiteral("/pending-items-answered.png"))));
    }

    // Closing hides the window and forgets the items; opening it again fetches them anew (the
    // answered ones are gone) in the same window.
    CDlgSpecials* window = &Window();
    ASSERT_TRUE(Activate(Window(), UiRole::Button, QStringLiteral("关闭")));
    ASSERT_TRUE(PumpUntil([] { return !Window().IsWindowVisible(); }));
    EXPECT_TRUE(Window().IsWindow());
    EXPECT_TRUE(PendingItemIds().empty());
    OpenLoaded();
    EXPECT_EQ(Main().PendingItemsWindow(), window);
    EXPECT_EQ(FindPendingItem(id), nullptr);
    EXPECT_EQ(FindPendingItem(invitation), nullptr);
    EXPECT_NE(ItemOfType(pending_type::kJobOffer), nullptr);
}

TEST_F(PendingWindowTest, RecommendationJobAndLevelRequestAskFirst) {
    SignInDemo();
    OpenLoaded();
    QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
    // A recommendation is passed on with the reason typed in its dialog.
    const PendingItem* recommendation = ItemOfType(pending_type::kRecommendation);
    ASSERT_NE(recommendation, nullptr);
    ASSERT_EQ(recommendation->qxids.size(), 2u);
    const std::int32_t recommended = recommendation->id;
    const std::string target = recommendation->qxids[1];
    const std::vector<std::string> pair = recommendation->qxids;
    ASSERT_FALSE(ConversationOf(pair)) << "no conversation of the three of us yet";
    const QString reason = QStringLiteral("他是做产品的 & 很靠谱");
    DialogAnswerer<CDlgSpecialRecommend> write([&](CDlgSpecialRecommend& dialog) {
        ASSERT_NE(dialog.ReasonBox(), nullptr);
        TypeInto(dialog.ReasonBox(), reason);
        Activate(dialog, UiRole::CheckBox, QStringLiteral("同时拉个群聊聊(更真实可信哦~)"));
        PumpUntil([&] { return dialog.GroupChat(); });
        QTest::qWait(100);
        EXPECT_TRUE(
            dialog.Widget()->grab().save((QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                                          QStringLiteral("/pending-recommend.png"))));
        Activate(dialog, UiRole::Button, QStringLiteral("确定"));
    });
    ASSERT_TRUE(PressButton(recommended, QStringLiteral("转达")));
    ASSERT_TRUE(write.Seen());
    ASSERT_TRUE(PumpUntil([&] { return FindPendingItem(recommended)->action.used == 1; }));
    EXPECT_TRUE(CardShows(recommended, QStringLiteral("已转达")));
    const std::string passedOn = service_.Get("/lumeno/user/v3/tasks?pending=1&" + AuthOf(target));
    EXPECT_NE(passedOn.find(reason.toStdString()), std::string::npos) << passedOn.substr(0, 400);
    // The group chat of the three of us was asked for too.
    EXPECT_TRUE(PumpUntil([&] { return ConversationOf(pair); })) << "a conversation with both";

    // A job: the résumé can be looked at first (in the browser), then it is sent.
    BrowserStandIn browser;
    const PendingItem* job = ItemOfType(pending_type::kJobOffer);
    ASSERT_NE(job, nullptr);
    const std::int32_t jobId = job->id;
    const std::string resume = job->resume_url;
    DialogAnswerer<CDlgSendResume> send([&](CDlgSendResume& dialog) {
        EXPECT_TRUE(
            dialog.Widget()->grab().save((QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                                          QStringLiteral("/pending-send-resume.png"))));
        Activate(dialog, UiRole::Button, QStringLiteral("预览简历"));
        PumpUntil([&] { return !browser.opened.empty(); });
        EXPECT_TRUE(dialog.IsModal()) << "the dialog stays while the résumé is shown";
        Activate(dialog, UiRole::Button, QStringLiteral("直接投递"));
    });
    ASSERT_TRUE(PressButton(jobId, QStringLiteral("投递简历")));
    ASSERT_TRUE(PumpUntil([&] { return FindPendingItem(jobId)->action.used == 1; }));
    ASSERT_EQ(browser.opened.size(), 1u);
    EXPECT_EQ(browser.opened[0].toString().toStdString(), resume);
    EXPECT_TRUE(CardShows(jobId, QStringLiteral("已投递")));
    // The job's picture opens its page.
    ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().pendingItems.Busy(); }));
    const std::string jobPage = FindPendingItem(jobId)->job_url;
    CListBoxWindow& list = Window().List();
    list.SetTopIndex(Window().RowOf(jobId));
    const UiRect card = list.GetItemRect(Window().RowOf(jobId));
    ASSERT_TRUE(list.ActivateElement(UiRect::FromSize(card.left + 28, card.top + 17, 80, 80)));
    ASSERT_TRUE(PumpUntil([&] { return browser.opened.size() == 2; }));
    EXPECT_EQ(browser.opened[1].toString().toStdString(), jobPage);
    // An address that is not a web page is never handed to the desktop.
    const_cast<PendingItem*>(FindPendingItem(jobId))->job_url = "file:///etc/passwd";
    ASSERT_TRUE(list.ActivateElement(UiRect::FromSize(card.left + 28, card.top + 17, 80, 80)));
    QTest::qWait(200);
    EXPECT_EQ(browser.opened.size(), 2u);

    // A level request of a contact is confirmed in a box with the service's own wording.
    const PendingItem* level = ItemOfType(pending_type::kLevelRequest);
    ASSERT_NE(level, nullptr);
    const std::int32_t levelId = level->id;
    if (level->dist == 1) {
        BoxCatcher agree(QString::fromStdString(level->confirm_action.text));
        ASSERT_TRUE(PressButton(levelId, QStringLiteral("同意")));
        ASSERT_TRUE(PumpUntil([&] { return FindPendingItem(levelId)->action.used == 1; }));
        ASSERT_EQ(agree.boxes.size(), 1u);
        EXPECT_EQ(agree.boxes[0].text.toStdString(), FindPendingItem(levelId)->confirm_text);
    }
}

TEST_F(PendingWindowTest, ListOfSeveralPagesIsShownWhole) {
    ASSERT_NE(service_.Get("/admin/tasks?owner=demo&from=alice&type=4&count=120").find("\"ok\""),
              std::string::npos);
    SignInDemo();
    OpenLoaded();
    const std::vector<std::int32_t> ids = PendingItemIds();
    ASSERT_GE(ids.size(), 126u) << "three pages of fifty";
    // Every item has its row, and the last one can be scrolled to and answered.
    int items = 0;
    for (const SpecialRow& row : Window().Rows())
        items += row.kind == SpecialRowKind::Item;
    EXPECT_EQ(items, static_cast<int>(ids.size()));
    const std::int32_t last = ids.back();
    ASSERT_TRUE(PressButton(last, QStringLiteral("忽略")));
    ASSERT_TRUE(PumpUntil([&] { return FindPendingItem(last)->ignore.used == 1; }));
    EXPECT_GT(Window().List().GetTopIndex(), 100);
}

// The count on the conversation list's pending-items row follows each answer at once (nothing
// else arrives from the service meanwhile), and stays right after the window closes. Accepting
// one of a person's friend requests answers that person's other requests too, in the window and
// on the service.
TEST_F(PendingWindowTest, TheRowCountFollowsEachAnswerAndAPersonsRequestsAreAnsweredTogether) {
    // 赵磊 asked twice more.
    ASSERT_NE(service_.Get("/admin/tasks?owner=demo&from=zhaolei&type=4&count=2").find("\"ok\""),
              std::string::npos);
    SignInDemo();
    const auto count = [] {
        const ConversationRecord* entry =
            CDBMsgDlg::Instance().FindConversation(kPendingItemsConversationId);
        return entry ? entry->badge : -1;
    };
    // The row as the list shows it (and a reader hears it), and the tab's total.
    const auto rowSays = [](int waiting) {
        const CPageMessage* page = Main().MessagePage();
        return page && page->RowConversation(0) == kPendingItemsConversationId &&
               Main().MessagePage()->RowName(0).endsWith(QStringLiteral("，%1条未读").arg(waiting));
    };
    ASSERT_TRUE(PumpUntil([&] { return count() == 8 && rowSays(8); }));
    const int total = Main().UnreadCount();
    OpenFromConversationPage();

    const std::string zhao = ItemOfType(pending_type::kFriendRequest)->icon_qxid;
    std::vector<std::int32_t> fromZhao;
    for (std::int32_t id : PendingItemIds()) {
        const PendingItem* item = FindPendingItem(id);
        if (item->type == pending_type::kFriendRequest && item->icon_qxid == zhao)
            fromZhao.push_back(id);
    }
    ASSERT_EQ(fromZhao.size(), 3u);
    Window().SetLevelChooser([](HWND) { return 2; });
    ASSERT_TRUE(PressButton(fromZhao[1], QStringLiteral("接受")));
    ASSERT_TRUE(PumpUntil([&] { return FindPendingItem(fromZhao[1])->action.used == 1; }));
    EXPECT_EQ(count(), 5) << "the three requests of 赵磊 are answered together, at once";
    for (std::int32_t id : fromZhao) {
        EXPECT_TRUE(CardShows(id, QStringLiteral("已接受"))) << id;
        EXPECT_FALSE(CardShows(id, QStringLiteral("接受"))) << id;
        EXPECT_FALSE(CardShows(id, QStringLiteral("忽略"))) << id;
    }
    EXPECT_TRUE(PumpUntil([&] { return rowSays(5) && Main().UnreadCount() == total - 3; }));

    // "同意" on a contact's level request, after its question.
    const std::int32_t level = ItemOfType(pending_type::kLevelRequest)->id;
    {
        BoxCatcher agree(QString::fromStdString(FindPendingItem(level)->confirm_action.text));
        ASSERT_TRUE(PressButton(level, QStringLiteral("同意")));
        ASSERT_TRUE(PumpUntil([&] { return FindPendingItem(level)->action.used == 1; }));
    }
    EXPECT_EQ(count(), 4);
    EXPECT_TRUE(PumpUntil([&] { return rowSays(4) && Main().UnreadCount() == total - 4; }));
    // Two "忽略".
    int waiting = 4;
    for (std::int32_t type : {pending_type::kRecommendation, pending_type::kGroupInvitation}) {
        const std::int32_t id = ItemOfType(type)->id;
        ASSERT_TRUE(PressButton(id, QStringLiteral("忽略")));
        ASSERT_TRUE(PumpUntil([&] { return FindPendingItem(id)->ignore.used == 1; }));
        --waiting;
        EXPECT_EQ(count(), waiting) << type;
        EXPECT_TRUE(PumpUntil([&] { return rowSays(waiting); })) << type;
    }
    // Closed, the row keeps the count, which is the service's own.
    ASSERT_TRUE(Activate(Window(), UiRole::Button, QStringLiteral("关闭")));
    ASSERT_TRUE(PumpUntil([] { return !Window().IsWindowVisible(); }));
    EXPECT_TRUE(rowSays(2));
    Json::Value open;
    ASSERT_TRUE(ParseJson(service_.Get("/lumeno/user/v3/tasks?pending=1&" + MyAuth()), open));
    EXPECT_EQ(open["requests"].size(), 2u);
    for (const Json::Value& item : open["requests"])
        EXPECT_NE(item["icon_qxid"].asString(), zhao) << "the service still waits for 赵磊";
    // The next synchronisation brings the same count.
    const std::int32_t withZhang = [] {
        for (const auto& [id, conversation] : CDBMsgDlg::Instance().Conversations())
            if (conversation->name == "张伟") return id;
        return 0;
    }();
    ASSERT_NE(withZhang, 0);
    service_.Get("/admin/send?mid=" + std::to_string(withZhang) + "&from=zhangwei&text=hi");
    ASSERT_TRUE(PumpUntil([&] { return Main().UnreadCount() == total - 6 + 1; }));
    EXPECT_EQ(count(), 2);
    EXPECT_TRUE(rowSays(2));
}

TEST(SpecialRows, EqualDatesAreMergedOnlyWhenTheyFollowEachOther) {
    std::map<std::int32_t, PendingItem> items;
    const std::vector<std::pair<std::int32_t, std::string>> dated = {
        {1, ""}, {2, "2026-12-01"}, {3, "2026-12-01"}, {4, "2026-11-30"}, {5, "2026-12-01"}};
    for (const auto& [id, date] : dated)
        items[id].date = date;
    const auto find = [&](std::int32_t id) -> const PendingItem* {
        const auto found = items.find(id);
        return found == items.end() ? nullptr : &found->second;
    };
    const std::vector<SpecialRow> rows = BuildSpecialRows({1, 2, 3, 9, 4, 5}, find);
    std::string shape;
    for (const SpecialRow& row : rows)
        shape +=
            row.kind == SpecialRowKind::Header ? "[" + row.date + "]" : std::to_string(row.itemId);
    EXPECT_EQ(shape, "1[2026-12-01]23[2026-11-30]4[2026-12-01]5")
        << "no header before an undated first item; an unknown id has no row";
}

}  // namespace
}  // namespace lumeno::test

#include "pending_window_test.moc"
