// The conversation page as a signed-in user meets it: the demo account's conversations in the
// store's order with their titles, newest messages, time labels and unread marks, the tab badge's
// total, a message arriving through the push server, opening rows with the mouse and the
// keyboard, the context menu, time labels on a new day, and the page's picture. Then the notice
// bars of the chat window on their own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>

#include "api/conversation_sync.h"
#include "api/group_chat.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/build_tree.h"
#include "tests/support/main_window_client.h"
#include "tests/support/menu_picker.h"
#include "ui/chat/chat_entry.h"
#include "ui/conversations/notice_bars.h"
#include "ui/conversations/page_message.h"
#include "ui/ui_messages.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;

std::int32_t ConversationNamed(const char* name) {
    for (const auto& [id, conversation] : CDBMsgDlg::Instance().Conversations()) {
        if (conversation->name == name) return id;
    }
    ADD_FAILURE() << "no conversation " << name;
    return 0;
}

std::time_t LocalMoment(int year, int month, int day, int hour, int minute) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

class ConversationListTest : public MainWindowClientTest {
  protected:
    // The main window's conversation page (it makes it at the sign-in).
    static CPageMessage& Page() { return *Main().MessagePage(); }

    int RowOf(std::int32_t id) {
        for (int i = 0; i < Page().RowCount(); ++i)
            if (Page().RowConversation(i) == id) return i;
        return -1;
    }

    // The middle of a row that is on screen, in the list's coordinates.
    QPoint RowPoint(int index) {
        const UiRect rect = Page().List().GetItemRect(index);
        return QPoint(rect.left + 150, (rect.top + rect.bottom) / 2);
    }

    void SignInWithPage() {
        SignInDemo();
        ASSERT_NE(Main().MessagePage(), nullptr);
        ASSERT_TRUE(Page().IsWindowVisible());
        // What the sign-in announced has reached the page.
        ASSERT_TRUE(
            PumpUntil([] { return CApiController::Instance().Events().QueuedEvents() == 0; }));
        ASSERT_GT(Page().RowCount(), 0);
    }
};

TEST_F(ConversationListTest, ListsTheStoreConversationsWithTheirMarksAndTheTabTotal) {
    SignInWithPage();
    CDBMsgDlg& store = CDBMsgDlg::Instance();

    // The store's order, the pending items first, nothing else left out.
    ASSERT_EQ(Page().RowCount(), static_cast<int>(store.Order().size()));
    for (int i = 0; i < Page().RowCount(); ++i)
        EXPECT_EQ(Page().RowConversation(i), store.Order()[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(Page().RowConversation(0), kPendingItemsConversationId);

    // Titles, times, newest messages and unread counts as a reader hears them.
    const int zhang = RowOf(ConversationNamed("张伟"));
    const ConversationRecord* withZhang = store.FindConversation(ConversationNamed("张伟"));
    ASSERT_NE(withZhang, nullptr);
    ASSERT_FALSE(withZhang->display_time.empty());
    EXPECT_EQ(Page().RowName(zhang), QStringLiteral("张伟，%1，明天早上一起复盘？，2条未读")
                                         .arg(QString::fromStdString(withZhang->display_time)));
    EXPECT_TRUE(Page()
                    .RowName(RowOf(ConversationNamed("产品研发群")))
                    .endsWith(QStringLiteral("收到，5条未读")));
    for (int i = 0; i < Page().RowCount(); ++i) {
        const ConversationRecord* c = store.FindConversation(Page().RowConversation(i));
        ASSERT_NE(c, nullptr);
        EXPECT_FALSE(c->display_time.empty()) << c->name;
    }

    // The visible rows are the list's items for readers, in the same order.
    std::vector<QString> items;
    for (const UiNode& node : Page().List().Describe())
        if (node.role == UiRole::ListItem) items.push_back(node.name);
    ASSERT_GE(items.size(), 8u);
    for (std::size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i], Page().RowName(static_cast<int>(i)));

    // The tab badge: the one-to-one conversations' unread messages and the pending items; the
    // groups (5 and 3 unread) are quiet and add nothing.
    const ConversationRecord* pending = store.FindConversation(kPendingItemsConversationId);
    ASSERT_NE(pending, nullptr);
    EXPECT_EQ(Main().UnreadCount(), 2 + 2 + 1 + 1 + 1 + pending->badge);
    EXPECT_EQ(Page().UnreadTotal(), Main().UnreadCount());
}

TEST_F(ConversationListTest, AMessageFromAContactMovesItsConversationUpAndRaisesTheTotal) {
    SignInWithPage();
    const std::int32_t zhao = ConversationNamed("赵磊");
    const int before = Main().UnreadCount();
    ASSERT_GT(RowOf(zhao), 1);
    Page().List().SetTopIndex(2);

    service_.Get("/admin/send?mid=" + std::to_string(zhao) + "&from=zhaolei&text=" +
                 QUrl::toPercentEncoding(QStringLiteral("周五有空聊聊吗")).toStdString());
    ASSERT_TRUE(PumpUntil([&] { return RowOf(zhao) == 1; }));
    EXPECT_TRUE(Page().RowName(1).contains(QStringLiteral("周五有空聊聊吗，2条未读")))
        << Page().RowName(1).toStdString();
    EXPECT_EQ(Main().UnreadCount(), before + 1);
    // A new message keeps the place the user scrolled to.
    EXPECT_EQ(Page().List().GetTopIndex(), 2);
}

// A message that mentions the account in a group that only counts its messages still marks the
// group's row with "[有人@我]", in the alert colour, until the group is read.
TEST_F(ConversationListTest, AMentionInAMutedGroupMarksItsRowUntilRead) {
    SignInWithPage();
    const std::int32_t hiking = ConversationNamed("周末徒步");
    ASSERT_NE(hiking, 0);
    const QString mark = QStringLiteral("[有人@我]");
    EXPECT_FALSE(Page().RowName(RowOf(hiking)).contains(mark));
    ASSERT_NE(SetNotify(hiking, false), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Page().RowName(RowOf(hiking)).contains("消息免打扰"); }));

    service_.Get("/admin/send?mid=" + std::to_string(hiking) + "&from=wangfang&at=10001&text=" +
                 QUrl::toPercentEncoding(QStringLiteral("@林晓 周六一起去吗")).toStdString());
    ASSERT_TRUE(PumpUntil([&] { return Page().RowName(RowOf(hiking)).contains(mark); }))
        << Page().RowName(RowOf(hiking)).toStdString();
    EXPECT_TRUE(
        Page().RowName(RowOf(hiking)).contains(mark + QStringLiteral("@林晓 周六一起去吗")));
    // As drawn: the row's second line holds the alert colour.
    const int row = RowOf(hiking);
    Page().List().SetTopIndex(0);
    Page().List().Invalidate(false);
    PumpUntil([] { return false; }, 100ms);
    const QImage shown = Page().List().Widget()->grab().toImage();
    const UiRect rect = Page().List().GetItemRect(row);
    ASSERT_FALSE(rect.IsEmpty());
    int alert = 0;
    for (int y = rect.top + 30; y < rect.bottom; ++y) {
        for (int x = rect.left + 60; x < rect.left + 140; ++x) {
            const QColor pixel = shown.pixelColor(x, y);
            alert += pixel.red() > 200 && pixel.green() < 140 && pixel.blue() < 140;
        }
    }
    EXPECT_GT(alert, 20) << "the mark is drawn in red";

    // Read, the mark goes.
    MarkConversationRead(hiking);
    EXPECT_TRUE(PumpUntil([&] { return !Page().RowName(RowOf(hiking)).contains(mark); }));
}

TEST_F(ConversationListTest, RowsOpenByDoubleClickAndEnterAndOfferTheirMenus) {
    SignInWithPage();
    QWidget* list = Page().List().Widget();
    ASSERT_NE(list, nullptr);
    const std::int32_t zhang = ConversationNamed("张伟");
    const std::int32_t team = ConversationNamed("产品研发群");
    const int requests = LastConversationRequest().count;

    // Double click.
    const QPoint onZhang = RowPoint(RowOf(zhang));
    QTest::mouseClick(list, Qt::LeftButton, {}, onZhang);
    QTest::mouseDClick(list, Qt::LeftButton, {}, onZhang);
    QTest::mouseRelease(list, Qt::LeftButton, {}, onZhang);
    QApplication::processEvents();
    EXPECT_EQ(LastConversationRequest().conversationId, zhang);
    EXPECT_EQ(LastConversationRequest().count, requests + 1);

    // The keyboard: from the clicked row down to the next and Enter.
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(Page().CurrentRow(), RowOf(zhang) + 1);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(LastConversationRequest().conversationId, Page().RowConversation(RowOf(zhang) + 1));
    EXPECT_EQ(LastConversationRequest().count, requests + 2);

    // The menus of a person, a group and the pending items; "进入对话" opens.
    {
        MenuPicker picker(QStringLiteral("进入对话"));
        QTest::mouseClick(list, Qt::RightButton, {}, RowPoint(RowOf(team)));
        ASSERT_TRUE(PumpUntil([&] { return picker.menus == 1; }, 5s));
        EXPECT_EQ(picker.texts, (std::vector<QString>{QStringLiteral("进入对话"),
                                                      QStringLiteral("查看群组资料")}));
        ASSERT_TRUE(PumpUntil([&] { return LastConversationRequest().conversationId == team; }));
    }
    {
        MenuPicker picker{QString()};
        QTest::mouseClick(list, Qt::RightButton, {}, RowPoint(0));
        ASSERT_TRUE(PumpUntil([&] { return picker.menus == 1; }, 5s));
        EXPECT_EQ(picker.texts, std::vector<QString>{QStringLiteral("查看待处理项")});
    }
    {
        MenuPicker picker{QString()};
        QTest::mouseClick(list, Qt::RightButton, {}, RowPoint(RowOf(zhang)));
        ASSERT_TRUE(PumpUntil([&] { return picker.menus == 1; }, 5s));
        EXPECT_EQ(picker.texts, (std::vector<QString>{QStringLiteral("进入对话"),
                                                      QStringLiteral("查看联系人资料")}));
        EXPECT_EQ(picker.enabled, (std::vector<bool>{true, true}));
    }
    // A conversation the service sent without members has no profile to show.
    CDBMsgDlg::Instance().FindConversation(zhang)->member_ids.clear();
    {
        MenuPicker picker(QStringLiteral("查看联系人资料"));
        QTest::mouseClick(list, Qt::RightButton, {}, RowPoint(RowOf(zhang)));
        ASSERT_TRUE(PumpUntil([&] { return picker.menus == 1; }, 5s));
        EXPECT_EQ(picker.enabled, (std::vector<bool>{true, false}));
    }
    EXPECT_EQ(LastConversationRequest().conversationId, team);
}

TEST_F(ConversationListTest, TimeLabelsChangeWithTheDay) {
    SignInWithPage();
    const std::int32_t zhang = ConversationNamed("张伟");
    ConversationRecord* record = CDBMsgDlg::Instance().FindConversation(zhang);
    ASSERT_NE(record, nullptr);
    record->last_dialog_timestamp = static_cast<std::int32_t>(LocalMoment(2026, 3, 10, 9, 5));

    std::time_t now = LocalMoment(2026, 3, 10, 23, 50);
    Page().SetClock([&now] { return now; });
    Page().CheckDay();
    EXPECT_TRUE(Page().RowName(RowOf(zhang)).startsWith(QStringLiteral("张伟，09:05，")));

    // Minutes later it is the next day: the page's day timer works the labels out again.
    now = LocalMoment(2026, 3, 11, 0, 1);
    Page().SendMessage(WM_TIMER, CPageMessage::kDayTimer, 0);
    EXPECT_TRUE(Page().RowName(RowOf(zhang)).startsWith(QStringLiteral("张伟，昨天，")))
        << Page().RowName(RowOf(zhang)).toStdString();
    Page().SetClock({});
}

TEST_F(ConversationListTest, PictureOfTheSignedInMainWindow) {
    SignInWithPage();
    // Wait for the avatars and group tiles the first paint asked for.
    QWidget* widget = Main().Widget();
    ASSERT_NE(widget, nullptr);
    Page().Invalidate(false);
    Page().List().Invalidate(false);
    PumpUntil([] { return false; }, 1500ms);
    // The middle of the first row's avatar (the pending items' picture), in the main window.
    UiRect page;
    ASSERT_TRUE(Page().GetRectInParent(page));
    const QPoint avatar(page.left + 15 + 21, page.top + 7 + 21);
    for (qreal scale : {1.0, 2.0}) {
        QImage image(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        // The row's avatar is a picture, not the row's grey.
        EXPECT_NE(image.pixelColor(avatar * scale), QColor(246, 246, 246));
        QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
        EXPECT_TRUE(image.save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                               (scale > 1 ? QStringLiteral("/conversation-list@2x.png")
                                          : QStringLiteral("/conversation-list.png"))));
    }
}

// ---- the notice bars ----

// The chat window's stand-in: it keeps the bars' messages.
class BarOwner final : public VWindowImpl<BarOwner, WS_POPUP> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestBarOwnerClass"; }
    struct Posted {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
    }
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) override {
        if (message != UM_NOTICE_CLICKED && message != UM_NOTICE_HIDE) return false;
        posted.push_back({message, wParam, lParam});
        return true;
    }
    std::vector<Posted> posted;
};

bool ActivateNamed(VWindowImplRoot& window, UiRole role, const QString& name) {
    for (const UiNode& node : window.Describe())
        if (node.role == role && node.name == name) return window.ActivateElement(node.rect);
    return false;
}

bool ShowsNamed(VWindowImplRoot& window, const QString& name) {
    const UiNodeList nodes = window.Describe();
    return std::any_of(nodes.begin(), nodes.end(),
                       [&](const UiNode& node) { return node.name == name; });
}

class NoticeBarTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        SetSkinDirectory(QString::fromUtf8(lumeno::test::build::SkinDir()));
        InitializeSkinFonts();
        InitializeSkinImages();
    }
    void SetUp() override {
        ASSERT_TRUE(owner_.Create(nullptr, UiRect::FromSize(0, 0, 500, 300)));
        owner_.ShowWindow(SW_SHOW);
        ASSERT_TRUE(bar_.Create(owner_, UiRect(0, 0, 500, 30)));
    }
    void Settle() {
        PumpUntil([] { return false; }, 50ms);
    }
    // A click where the bar shows its text.
    bool ClickText() {
        for (const UiNode& node : bar_.Describe()) {
            if (node.role == UiRole::Button && node.name != QStringLiteral("关闭"))
                return bar_.ActivateElement(node.rect);
        }
        return false;
    }

    BarOwner owner_;
    CPageUnReadMsg bar_;
};

TEST_F(NoticeBarTest, ShowsOnlyWhatItCanTellAndHidesAsClicked) {
    EXPECT_FALSE(bar_.IsWindowVisible());
    bar_.Show(NoticeKind::UnreadCount, QString(), QString(), 0);
    bar_.Show(NoticeKind::Preview, QStringLiteral("张伟"), QString(), 0);
    bar_.Show(NoticeKind::Mention, QString(), QStringLiteral("开会"), 0);
    EXPECT_FALSE(bar_.IsWindowVisible());
    EXPECT_TRUE(bar_.Title().isEmpty() && bar_.Summary().isEmpty());

    // The count: its close button hides it without telling the owner.
    bar_.SetContext(42);
    bar_.Show(NoticeKind::UnreadCount, QString(), QString(), 7);
    EXPECT_TRUE(bar_.IsWindowVisible());
    EXPECT_EQ(bar_.Summary(), QStringLiteral("您有7条未读消息，点击查看"));
    EXPECT_TRUE(ActivateNamed(bar_, UiRole::Button, QStringLiteral("关闭")));
    Settle();
    EXPECT_FALSE(bar_.IsWindowVisible());
    EXPECT_TRUE(bar_.Summary().isEmpty());
    EXPECT_TRUE(owner_.posted.empty());

    // A mention: a click on it hides it and asks the owner to show it.
    bar_.Show(NoticeKind::Mention, QStringLiteral("张伟"), QStringLiteral("明天十点开会"), 0);
    EXPECT_EQ(bar_.Title(), QStringLiteral("[有人@我]张伟: "));
    EXPECT_EQ(bar_.Body(), QStringLiteral("明天十点开会"));
    EXPECT_TRUE(ClickText());
    Settle();
    EXPECT_FALSE(bar_.IsWindowVisible());
    EXPECT_TRUE(bar_.Title().isEmpty() && bar_.Body().isEmpty());
    ASSERT_EQ(owner_.posted.size(), 1u);
    EXPECT_EQ(owner_.posted[0].message, UM_NOTICE_CLICKED);
    EXPECT_EQ(owner_.posted[0].wParam, static_cast<WPARAM>(NoticeKind::Mention));
    EXPECT_EQ(owner_.posted[0].lParam, 42);

    // A preview has no close button: all of it is the click.
    bar_.Show(NoticeKind::Preview, QStringLiteral("王芳"), QStringLiteral("简历收到了"), 0);
    EXPECT_EQ(bar_.Title(), QStringLiteral("王芳: "));
    EXPECT_FALSE(ShowsNamed(bar_, QStringLiteral("关闭")));
    EXPECT_TRUE(ClickText());
    Settle();
    ASSERT_EQ(owner_.posted.size(), 2u);
    EXPECT_EQ(owner_.posted[1].wParam, static_cast<WPARAM>(NoticeKind::Preview));
}

TEST_F(NoticeBarTest, ItsTimerAsksTheOwnerOnceToHideIt) {
    bar_.Show(NoticeKind::UnreadCount, QString(), QString(), 3);
    ASSERT_TRUE(bar_.SetTimer(CPageUnReadMsg::kHideTimer, 20));
    ASSERT_TRUE(PumpUntil([&] { return !owner_.posted.empty(); }, 5s));
    PumpUntil([] { return false; }, 150ms);
    ASSERT_EQ(owner_.posted.size(), 1u);
    EXPECT_EQ(owner_.posted[0].message, UM_NOTICE_HIDE);
    EXPECT_EQ(owner_.posted[0].wParam, 0u);
    EXPECT_EQ(owner_.posted[0].lParam, 0);
}

TEST_F(NoticeBarTest, TheAnonymousBarSaysSoOnYellow) {
    CPageYellowBar yellow;
    ASSERT_TRUE(yellow.Create(owner_, UiRect(0, 40, 500, 66)));
    EXPECT_TRUE(ShowsNamed(yellow, QString::fromUtf8(CPageYellowBar::kText)));
    QImage image = yellow.Widget()->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() - 3, 3), QColor(254, 249, 162));
}

}  // namespace
}  // namespace lumeno::test
