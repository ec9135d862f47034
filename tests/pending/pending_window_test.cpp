// The pending-items window against the local service: the demo account's list with every kind
// of card, answered and ignored as a person does, with what the other account sees afterwards;
// a list of several pages; the window hidden and shown again.
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

#include "api/contacts.h"
#include "net/w3_client.h"
#include "tests/support/box_catcher.h"
#include "tests/support/pending_window.h"
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

bool Contact(const std::string& qxid) {
    const UserRecord* user = FindUser(qxid);
    return user && user->dist == 1;
}

TEST_F(PendingWindowTest, FriendRequestAcceptedHereChangesBothContactLists) {
    SignInDemo();
    OpenLoaded();
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
        QDir().mkpath(QStringLiteral(LUMENO_SCREENSHOT_OUT));
        EXPECT_TRUE(Window().Widget()->grab().save(
            QStringLiteral(LUMENO_SCREENSHOT_OUT "/pending-items.png")));
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
            QStringLiteral(LUMENO_SCREENSHOT_OUT "/pending-items-answered.png")));
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
    // A recommendation is passed on with the reason typed in its dialog.
    const PendingItem* recommendation = ItemOfType(pending_type::kRecommendation);
    ASSERT_NE(recommendation, nullptr);
    ASSERT_EQ(recommendation->qxids.size(), 2u);
    const std::int32_t recommended = recommendation->id;
    const std::string target = recommendation->qxids[1];
    const QString reason = QStringLiteral("他是做产品的 & 很靠谱");
    DialogAnswerer<CDlgSpecialRecommend> write([&](CDlgSpecialRecommend& dialog) {
        ASSERT_NE(dialog.ReasonBox(), nullptr);
        TypeInto(dialog.ReasonBox(), reason);
        Activate(dialog, UiRole::Button, QStringLiteral("确定"));
    });
    ASSERT_TRUE(PressButton(recommended, QStringLiteral("转达")));
    ASSERT_TRUE(write.Seen());
    ASSERT_TRUE(PumpUntil([&] { return FindPendingItem(recommended)->action.used == 1; }));
    EXPECT_TRUE(CardShows(recommended, QStringLiteral("已转达")));
    const std::string passedOn = service_.Get("/lumeno/user/v3/tasks?pending=1&" + AuthOf(target));
    EXPECT_NE(passedOn.find(reason.toStdString()), std::string::npos) << passedOn.substr(0, 400);

    // A job: the résumé can be looked at first (in the browser), then it is sent.
    BrowserStandIn browser;
    const PendingItem* job = ItemOfType(pending_type::kJobOffer);
    ASSERT_NE(job, nullptr);
    const std::int32_t jobId = job->id;
    const std::string resume = job->resume_url;
    DialogAnswerer<CDlgSendResume> send([&](CDlgSendResume& dialog) {
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

}  // namespace
}  // namespace lumeno::test

#include "pending_window_test.moc"
