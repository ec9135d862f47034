// The client on a desktop session: a private session bus with a real notification server
// (notification-daemon on a private X display) and a real secret store (gnome-keyring, unlocked
// for the run), as tests/desktop/desktop_session_test.sh sets them up. The script records the
// calls to the notification server with dbus-monitor in $LUMENO_NOTIFY_LOG; the tests read what
// the server was asked there. The tests named NoSecretStore run on a bus where no secret store
// can be reached at all.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QUrl>
#include <string>

#include "api/api_controller.h"
#include "api/avatar_files.h"
#include "api/group_chat.h"
#include "api/json_access.h"
#include "api/login.h"
#include "config/config.h"
#include "platform/desktop_notifications.h"
#include "platform/directories.h"
#include "platform/secret_store.h"
#include "storage/msg_dlg_store.h"
#include "storage/saved_accounts.h"
#include "storage/user_store.h"
#include "tests/support/box_catcher.h"
#include "tests/support/log_file.h"
#include "tests/support/main_window_client.h"
#include "ui/chat/chat_entry.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/dlg_message.h"
#include "ui/chat/dlg_msg_group.h"
#include "ui/chat/draft_book.h"
#include "ui/main/message_notifier.h"
#include "ui/ui_messages.h"

namespace lumeno::test {
namespace {

class DesktopSessionTest : public MainWindowClientTest {
  protected:
    void TearDown() override {
        CDlgMsgGroup::DestroyInstance();
        MainWindowClientTest::TearDown();
    }

    static platform::DesktopNotifications& Notes() { return Main().Notifier()->Notifications(); }
    // Signed in, with the conversations' window made as start-up makes it, once the notification
    // server has told what it can do.
    void SignInWithNotifications() {
        BoxCatcher boxes;
        SignInDemo();
        for (const auto& box : boxes.boxes)
            ADD_FAILURE() << box.text.toStdString();
        ASSERT_TRUE(CDlgMsgGroup::Instance().Create());
        ASSERT_NE(Main().Notifier(), nullptr);
        ASSERT_TRUE(Notes().BusConnected());
        ASSERT_TRUE(PumpUntil([] { return !Notes().Capabilities().isEmpty(); }, 10s))
            << "no notification server answered";
    }
    // The conversation of the demo account with one other person, or the group, with 张伟 in it.
    static std::int32_t ConversationWithZhangWei(bool group) {
        for (const auto& [id, conversation] : CDBMsgDlg::Instance().Conversations()) {
            if ((conversation->type == 3) != group || conversation->deleted == 1) continue;
            if (!group && conversation->member_ids.size() > 2) continue;
            for (const std::string& member : conversation->member_ids)
                if (member == "10002") return id;
        }
        return 0;
    }
    void Send(std::int32_t conversation, const QString& text) {
        ASSERT_NE(service_
                      .Get("/admin/send?mid=" + std::to_string(conversation) +
                           "&from=zhangwei&text=" + QUrl::toPercentEncoding(text).toStdString())
                      .find("\"id\""),
                  std::string::npos);
    }
    static bool Stored(const std::string& text) {
        for (const auto& [id, message] : CDBMsgDlg::Instance().Messages())
            if (message && message->text == text) return true;
        return false;
    }
    // Clicks the one bubble that notification-daemon shows on its display, as a person would.
    static void ClickTheNotification() {
        QProcess xdotool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"),
                           QString::fromLocal8Bit(qgetenv("LUMENO_NOTIFY_DISPLAY")));
        xdotool.setProcessEnvironment(environment);
        xdotool.start(QStringLiteral("xdotool"),
                      {QStringLiteral("search"), QStringLiteral("--sync"),
                       QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                       QStringLiteral("^Notification$"), QStringLiteral("mousemove"),
                       QStringLiteral("--window"), QStringLiteral("%1"), QStringLiteral("40"),
                       QStringLiteral("40"), QStringLiteral("click"), QStringLiteral("1")});
        ASSERT_TRUE(xdotool.waitForFinished(10000)) << "no bubble to click";
        ASSERT_EQ(xdotool.exitCode(), 0) << xdotool.readAllStandardError().toStdString();
    }
    // What the notification server was asked so far, as dbus-monitor wrote it.
    static QString BusLog() {
        QFile log(QString::fromLocal8Bit(qgetenv("LUMENO_NOTIFY_LOG")));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }
    static int Calls(const QString& member) {
        return static_cast<int>(BusLog().count(QStringLiteral("member=") + member));
    }

    // The stored form of the remembered accounts in Config.ini.
    static std::vector<LoginRecord> ConfigRecord() {
        return SavedAccounts::Parse(SavedAccounts::Unprotect(
            ReadConfigWhole(config_keys::kSavedAccounts.section, config_keys::kSavedAccounts.key)));
    }
    // Signs in as demo with "自动登录" ticked (which remembers the password too).
    void SignInRemembering() {
        ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Login()->AccountBox(); }));
        Type(QStringLiteral("demo"));
        Key(Qt::Key_Tab);
        ASSERT_TRUE(
            PumpUntil([] { return QApplication::focusWidget() == Login()->PasswordBox(); }));
        Type(QStringLiteral("lumeno123"));
        ASSERT_TRUE(Activate(*Login(), UiRole::CheckBox, QStringLiteral("自动登录")));
        Key(Qt::Key_Return);
        ASSERT_TRUE(PumpUntil([] { return Main().SignedIn() && Main().IsWindowVisible(); }));
        ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().signIn.Busy(); }));
    }
    // Quits and starts again with nothing kept in memory: the next start signs in by itself.
    void RestartSigningInByItself() {
        Quit();
        CApiController::Instance().Saved() = SavedAccounts();
        Start();
        ASSERT_TRUE(PumpUntil([] { return Main().SignedIn() && Main().IsWindowVisible(); }, 20s));
        ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().signIn.Busy(); }));
    }
    static platform::SecretOutcome KeyringHolds(platform::AccountSecrets& secrets) {
        return platform::LookUpAccountSecrets(platform::DataDirectory(), "demo", secrets);
    }
};

// A message in a conversation nobody looks at raises its notification with the sender, the text
// with the emoticon's caption and no sound of the server's; the next one replaces it with the
// count; clicking it opens the conversation, and reading withdraws it.
TEST_F(DesktopSessionTest, NewMessagesNotifyOnceAConversationUntilClickedAndRead) {
    SignInWithNotifications();
    const std::int32_t id = ConversationWithZhangWei(false);
    ASSERT_GT(id, 0);
    // The sender's picture, once the conversation list has fetched it, goes with the notification.
    const UserRecord* sender = CDBUser::Instance().Find("10002");
    ASSERT_NE(sender, nullptr);
    std::string avatar;
    ASSERT_TRUE(
        PumpUntil([&] { return !(avatar = AvatarFile(sender->avatar)).empty(); }, 20s));
    const int before = Calls(QStringLiteral("Notify"));
    Send(id, QStringLiteral("下午三点\n开会[smiles_01_01]"));
    ASSERT_TRUE(PumpUntil([&] { return Notes().ServerId(id) != 0; }, 20s));
    const std::uint32_t serverId = Notes().ServerId(id);
    ASSERT_TRUE(PumpUntil([&] { return Calls(QStringLiteral("Notify")) == before + 1; }, 5s));
    QString log = BusLog();
    EXPECT_TRUE(log.contains(QStringLiteral("string \"张伟\""))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("下午三点 开会[表情]")));
    EXPECT_TRUE(log.contains(
        QStringLiteral("string \"image-path\"\n         variant             string \"%1\"")
            .arg(QString::fromStdString(avatar))))
        << log.toStdString();
    EXPECT_TRUE(log.contains(
        QStringLiteral("string \"suppress-sound\"\n         variant             boolean true")))
        << log.toStdString();

    Send(id, QStringLiteral("别迟到"));
    ASSERT_TRUE(PumpUntil([&] { return Notes().Accepted() == 2; }, 20s));
    EXPECT_EQ(Notes().ServerId(id), serverId) << "a second notification instead of the same one";
    // The monitor writes what it saw a moment later.
    EXPECT_TRUE(PumpUntil([] { return BusLog().contains(QStringLiteral("[2条] 别迟到")); }, 5s))
        << BusLog().toStdString();
    EXPECT_TRUE(BusLog().contains(QStringLiteral("uint32 %1\n").arg(serverId)));

    // A click on the bubble on the server's display: the conversation opens and is read.
    ClickTheNotification();
    ASSERT_TRUE(PumpUntil([&] { return LastConversationRequest().conversationId == id; }, 10s));
    ASSERT_TRUE(PumpUntil([&] { return CDlgMsgGroup::Instance().Chat(id) != nullptr; }));
    CDlgMsgGroup::Instance().Widget()->activateWindow();
    QApplication::setActiveWindow(CDlgMsgGroup::Instance().Widget());
    CDlgMsgGroup::Instance().PostMessage(UM_MARK_READ, 0, 0);
    // The bubble went with the click; the next message makes a new one, which reading the
    // conversation withdraws.
    ASSERT_TRUE(PumpUntil([&] { return Notes().ServerId(id) == 0; }, 10s));
    const int closes = Calls(QStringLiteral("CloseNotification"));
    CDlgMsgGroup::Instance().ShowWindow(SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return !ConversationInFront(id); }));
    Send(id, QStringLiteral("看到了吗"));
    ASSERT_TRUE(PumpUntil([&] { return Notes().ServerId(id) != 0; }, 20s));
    EXPECT_NE(Notes().ServerId(id), serverId);
    OpenConversation(id);
    CDlgMsgGroup::Instance().Widget()->activateWindow();
    QApplication::setActiveWindow(CDlgMsgGroup::Instance().Widget());
    CDlgMsgGroup::Instance().PostMessage(UM_MARK_READ, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return Notes().Withdrawn() == 1; }, 10s));
    EXPECT_EQ(Notes().ServerId(id), 0u);
    ASSERT_TRUE(
        PumpUntil([&] { return Calls(QStringLiteral("CloseNotification")) == closes + 1; }, 5s));

    // Now in front: a message there raises nothing.
    ASSERT_TRUE(ConversationInFront(id));
    Send(id, QStringLiteral("收到"));
    ASSERT_TRUE(PumpUntil([] { return Stored("收到"); }, 20s));
    PumpUntil([] { return false; }, 500ms);
    EXPECT_EQ(Notes().Accepted(), 3);
}

// Text from other people stays text on a server that reads markup: 张伟 renames the group to a
// name on two lines with markup in it, which becomes the summary on one line as he typed it, and
// his message "<b>&</b>" arrives escaped in the body.
TEST_F(DesktopSessionTest, MarkupFromOthersStaysText) {
    SignInWithNotifications();
    ASSERT_EQ(Notes().Markup(), platform::DesktopNotifications::BodyMarkup::Read);
    const std::int32_t group = ConversationWithZhangWei(true);
    ASSERT_GT(group, 0);
    Json::Value zhangwei;
    ASSERT_TRUE(ParseJson(service_.Get("/admin/token?account=zhangwei"), zhangwei));
    const QString name = QStringLiteral("Q3\n<i>规划</i>");
    ASSERT_NE(service_
                  .Get("/lumeno/msg/v3/set_msg_name?mid=" + std::to_string(group) +
                       "&name=" + QUrl::toPercentEncoding(name).toStdString() +
                       "&u=" + zhangwei["qxid"].asString() +
                       "&access_token=" + zhangwei["token"].asString())
                  .find("\"result\":\"ok\""),
              std::string::npos);
    ASSERT_TRUE(PumpUntil(
        [&] {
            const ConversationRecord* c = CDBMsgDlg::Instance().FindConversation(group);
            return c && QString::fromStdString(c->name) == name;
        },
        20s));
    Send(group, QStringLiteral("<b>&</b>"));
    ASSERT_TRUE(PumpUntil(
        [] { return BusLog().contains(QStringLiteral("张伟: &lt;b&gt;&amp;&lt;/b&gt;\"")); }, 20s))
        << BusLog().toStdString();
    EXPECT_TRUE(BusLog().contains(QStringLiteral("string \"Q3 <i>规划</i>\"\n")))
        << BusLog().toStdString();
    EXPECT_FALSE(BusLog().contains(QStringLiteral("<b>&</b>")));
}

// A muted group raises nothing (the one-to-one message sent after it shows that its turn came);
// a reply typed into a notification is sent as a message of its conversation.
TEST_F(DesktopSessionTest, AMutedGroupNeverNotifies) {
    SignInWithNotifications();
    const std::int32_t group = ConversationWithZhangWei(true);
    const std::int32_t single = ConversationWithZhangWei(false);
    ASSERT_GT(group, 0);
    ASSERT_GT(single, 0);
    ASSERT_NE(SetNotify(group, false), nullptr);
    Send(group, QStringLiteral("群里的消息"));
    Send(single, QStringLiteral("单聊的消息"));
    ASSERT_TRUE(PumpUntil([&] { return Notes().ServerId(single) != 0; }, 20s));
    PumpUntil([] { return false; }, 500ms);
    EXPECT_EQ(Notes().ServerId(group), 0u);
    EXPECT_EQ(Notes().Accepted(), 1);
    EXPECT_FALSE(BusLog().contains(QStringLiteral("群里的消息")));

    // An inline reply, as a server that offers them reports it: sent into the conversation,
    // which is then read, so the notification goes.
    Notes().OnNotificationReplied(Notes().ServerId(single), QStringLiteral("马上到"));
    ASSERT_TRUE(PumpUntil([] { return Stored("马上到"); }, 20s)) << "the reply was not sent";
    ASSERT_TRUE(PumpUntil([&] { return Notes().ServerId(single) == 0; }, 10s));
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(single)->badge, 0);

    // A reply the service refuses is not lost: the conversation opens with it in the box.
    Send(single, QStringLiteral("还在吗"));
    ASSERT_TRUE(PumpUntil([&] { return Notes().ServerId(single) != 0; }, 20s));
    ASSERT_NE(service_.Get("/admin/fault?kind=http500&path=/lumeno/msg/v3/add_dialogue&count=1")
                  .find("ok"),
              std::string::npos);
    Notes().OnNotificationReplied(Notes().ServerId(single), QStringLiteral("在的"));
    const auto boxHolds = [&] {
        const CDlgMessage* chat = CDlgMsgGroup::Instance().Chat(single);
        return chat && chat->Input() && chat->Input()->toPlainText() == QStringLiteral("在的");
    };
    EXPECT_TRUE(PumpUntil(boxHolds, 20s));
    EXPECT_EQ(LastConversationRequest().conversationId, single);
}

// A reply written into a notification is not lost: one still on its way when the account signs
// out, and one the service refuses after its conversation went, wait in the conversation's draft.
TEST_F(DesktopSessionTest, RepliesThatDidNotGoWaitInTheirConversationsDrafts) {
    SignInWithNotifications();
    const std::string account = MyUserId();
    const std::int32_t single = ConversationWithZhangWei(false);
    const std::int32_t group = ConversationWithZhangWei(true);
    ASSERT_GT(single, 0);
    ASSERT_GT(group, 0);

    Send(group, QStringLiteral("大家在吗"));
    ASSERT_TRUE(PumpUntil([&] { return Notes().ServerId(group) != 0; }, 20s));
    // Refused, but only after the conversation went (left, or removed by its owner).
    service_.Get("/admin/fault?kind=delay&ms=1500&path=/lumeno/msg/v3/add_dialogue&count=1");
    service_.Get("/admin/fault?kind=http500&path=/lumeno/msg/v3/add_dialogue&count=1");
    Notes().OnNotificationReplied(Notes().ServerId(group), QStringLiteral("群已经没了"));
    ASSERT_TRUE(PumpUntil([] { return CApiController::Instance().SendsRunning(); }));
    CDBMsgDlg::Instance().FindConversation(group)->deleted = 1;
    ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().SendsRunning(); }, 20s));
    PumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(DraftBook::Of(account).Get(group), "群已经没了");

    Send(single, QStringLiteral("还在吗"));
    ASSERT_TRUE(PumpUntil([&] { return Notes().ServerId(single) != 0; }, 20s));
    service_.Get("/admin/fault?kind=delay&ms=6000&path=/lumeno/msg/v3/add_dialogue&count=1");
    Notes().OnNotificationReplied(Notes().ServerId(single), QStringLiteral("签退前的回复"));
    ASSERT_TRUE(PumpUntil([] { return CApiController::Instance().SendsRunning(); }));
    Main().ReturnToLogin(false);
    EXPECT_EQ(DraftBook::Of(account).Get(single), "签退前的回复");
}

// Remembered: the password and the token are in the keyring and not in Config.ini, and the next
// start signs in with them by itself.
TEST_F(DesktopSessionTest, ARememberedAccountKeepsItsSecretsInTheKeyring) {
    SignInRemembering();
    platform::AccountSecrets secrets;
    ASSERT_EQ(KeyringHolds(secrets), platform::SecretOutcome::Done);
    EXPECT_EQ(secrets.password, "lumeno123");
    EXPECT_FALSE(secrets.token.empty());
    const std::vector<LoginRecord> stored = ConfigRecord();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].mobile, "demo");
    EXPECT_TRUE(stored[0].remember_password);
    EXPECT_TRUE(stored[0].password.empty());
    EXPECT_TRUE(stored[0].token.empty());

    RestartSigningInByItself();
    EXPECT_EQ(Login()->PasswordBox()->text(), QStringLiteral("lumeno123"));

    // Forgetting the password takes it out of the keyring too.
    SwitchAccountTo(QStringLiteral("demo"));
    EXPECT_EQ(KeyringHolds(secrets), platform::SecretOutcome::NotFound);
}

// Twenty accounts are remembered at most: the one that falls off the end of the list takes its
// secrets out of the keyring with it, as it does out of Config.ini.
TEST_F(DesktopSessionTest, AnAccountPushedOffTheListLeavesTheKeyringToo) {
    SignInRemembering();
    platform::AccountSecrets secrets;
    ASSERT_EQ(KeyringHolds(secrets), platform::SecretOutcome::Done);
    Main().RunCommand(MainCommand::SwitchAccount);
    ASSERT_TRUE(PumpUntil([] { return !Main().SignedIn() && Login() != nullptr; }));
    BoxCatcher boxes;
    for (int i = 1; i <= static_cast<int>(SavedAccounts::kMostSavedAccounts); ++i) {
        Login()->AccountBox()->setFocus();
        ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Login()->AccountBox(); }));
        Login()->AccountBox()->selectAll();
        Key(Qt::Key_Delete);
        Type(QStringLiteral("nobody%1").arg(i));
        Key(Qt::Key_Tab);
        ASSERT_TRUE(
            PumpUntil([] { return QApplication::focusWidget() == Login()->PasswordBox(); }));
        Login()->PasswordBox()->selectAll();
        Key(Qt::Key_Delete);
        Type(QStringLiteral("wrong"));
        const std::size_t before = boxes.boxes.size();
        Key(Qt::Key_Return);
        ASSERT_TRUE(PumpUntil([&] {
            return boxes.boxes.size() > before && !CApiController::Instance().signIn.Busy();
        })) << "attempt "
            << i;
    }
    const std::vector<LoginRecord> stored = ConfigRecord();
    ASSERT_EQ(stored.size(), SavedAccounts::kMostSavedAccounts);
    for (const LoginRecord& entry : stored)
        EXPECT_NE(entry.mobile, "demo");
    EXPECT_EQ(KeyringHolds(secrets), platform::SecretOutcome::NotFound);
}

// A record of the old form (the secrets in Config.ini) moves into the keyring at the next
// sign-in, and Config.ini then keeps them no more.
TEST_F(DesktopSessionTest, AnOldRecordMovesIntoTheKeyringAtTheNextSignIn) {
    SignInRemembering();
    SavedAccounts& saved = CApiController::Instance().Saved();
    ASSERT_EQ(platform::ForgetAccountSecrets(platform::DataDirectory(), "demo"),
              platform::SecretOutcome::Done);
    saved.SetKeptInStore("demo", false);
    ASSERT_TRUE(saved.SaveSaved());
    ASSERT_EQ(ConfigRecord().at(0).password, "lumeno123");

    RestartSigningInByItself();
    platform::AccountSecrets secrets;
    ASSERT_TRUE(PumpUntil([&] { return KeyringHolds(secrets) == platform::SecretOutcome::Done; }));
    EXPECT_EQ(secrets.password, "lumeno123");
    EXPECT_TRUE(ConfigRecord().at(0).password.empty());
    EXPECT_TRUE(ConfigRecord().at(0).token.empty());
}

// No secret store on the bus: the secrets stay in Config.ini's protected form, and the next start
// still signs in by itself. No notification server either: the client says so in its log once
// and goes on.
TEST_F(DesktopSessionTest, NoSecretStoreKeepsTheProtectedFormInConfig) {
    SignInRemembering();
    EXPECT_TRUE(PumpUntil(
        [] { return ReadLogFile().find("no notification server") != std::string::npos; }, 10s));
    platform::AccountSecrets secrets;
    EXPECT_EQ(KeyringHolds(secrets), platform::SecretOutcome::Unavailable);
    const std::vector<LoginRecord> stored = ConfigRecord();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].password, "lumeno123");
    EXPECT_FALSE(stored[0].token.empty());
    RestartSigningInByItself();
}

}  // namespace
}  // namespace lumeno::test
