// Mentions in a group conversation: which members a typed "@" fragment offers, how the chosen
// name completes the text, and the picker popup driven from a text box that keeps the keyboard,
// as a user types into it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <chrono>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/message_loop.h"
#include "platform/ui_thread.h"
#include "storage/user_store.h"
#include "tests/support/build_tree.h"
#include "tests/support/client_components.h"
#include "toolkit/window/key_bridge.h"
#include "toolkit/window/window_impl.h"
#include "ui/chat/mention_match.h"
#include "ui/prompts/dlg_suggest.h"
#include "ui/prompts/suggest_style.h"
#include "ui/ui_messages.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;
using Ids = std::vector<std::string>;

UserRecord Person(const std::string& qxid, const std::string& name) {
    UserRecord user;
    user.qxid = qxid;
    user.name = name;
    return user;
}

TEST(MentionMatchTest, NamesPinyinAndInitialsFindMembersInListOrder) {
    std::map<std::string, UserRecord> users;
    for (const UserRecord& user : {Person("10", "我自己"), Person("11", "张三"),
                                   Person("12", "李四"), Person("13", "Alice Wang")}) {
        users[user.qxid] = user;
    }
    const MemberFinder find = [&users](const std::string& qxid) -> const UserRecord* {
        auto found = users.find(qxid);
        return found == users.end() ? nullptr : &found->second;
    };
    // "99" is unknown to the account; "10" is the account itself.
    const Ids members = {"12", "99", "10", "11", "13"};
    auto match = [&](const std::string& fragment) {
        return MatchMentionMembers(fragment, members, find, "10");
    };
    EXPECT_EQ(match(""), (Ids{"12", "11", "13"}));
    EXPECT_EQ(match("张"), Ids{"11"});
    EXPECT_EQ(match("zhang"), Ids{"11"});
    EXPECT_EQ(match("zs"), Ids{"11"});
    EXPECT_EQ(match("ZS"), Ids{"11"});
    EXPECT_EQ(match("wang"), Ids{"13"});
    EXPECT_EQ(match("l"), (Ids{"12", "13"}));
    EXPECT_EQ(match("wzj"), Ids{}) << "the account's own initials";
    EXPECT_EQ(match("赵"), Ids{});
    EXPECT_EQ(MatchMentionMembers("", members, MemberFinder(), "10"), Ids{});

    EXPECT_EQ(MentionFragment("见 @bob 和 @zh"), "zh");
    EXPECT_EQ(MentionFragment("no mention"), "");
    EXPECT_EQ(CompleteMention("见 @bob 和 @zh", "张三"), "见 @bob 和 @张三 ");
    EXPECT_EQ(CompleteMention("@", "李四"), "@李四 ");
    EXPECT_EQ(CompleteMention("no mention", "李四"), "no mention");
}

// A skinned window with a text box that holds the keyboard, as a chat window's input box does;
// it keeps every answer of the picker with the name it could read at that moment.
class CMentionOwner : public VWindowImpl<CMentionOwner, WS_POPUP | WS_CLIPCHILDREN> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestMentionOwnerClass"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, palette::kPage);
    }
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) override {
        if (message != UM_MENTION_CHOSEN) return false;
        answers.emplace_back(wParam, CDlgSuggest::Instance().ChosenName());
        return true;
    }
    std::vector<std::pair<WPARAM, QString>> answers;
};

class MentionPickerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        PrepareClientComponents(QString::fromUtf8(lumeno::test::build::SkinDir()));
        InstallKeyBridge();
    }
    void SetUp() override {
        ASSERT_TRUE(platform::AddMessageLoop(&loop_));
        const char* names[] = {"张三", "李四", "王五",     "赵六",  "孙七", "周八",
                               "吴九", "郑十", "欧阳娜娜", "Alice", "Bob",  "Carol"};
        for (int i = 0; i < 12; ++i) {
            const std::string qxid = std::to_string(100 + i);
            CDBUser::Instance().Users()[qxid] = Person(qxid, names[i]);
            members_.push_back(qxid);
        }
        ASSERT_TRUE(owner_.Create(nullptr, UiRect::FromSize(100, 100, 420, 200)));
        edit_ = new QTextEdit(owner_.Widget());
        edit_->setGeometry(10, 120, 400, 60);
        owner_.ShowWindow(SW_SHOWNORMAL);
        owner_.Widget()->activateWindow();
        edit_->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(owner_.Widget()));
        ASSERT_TRUE(edit_->hasFocus());
        ASSERT_TRUE(Picker().Create(owner_));
    }
    void TearDown() override {
        CDlgSuggest::DestroyInstance();
        owner_.DestroyWindow();
        CDBUser::Instance().Clear();
        platform::RemoveMessageLoop();
    }

    static CDlgSuggest& Picker() { return CDlgSuggest::Instance(); }
    Ids First(int count) const { return Ids(members_.begin(), members_.begin() + count); }
    // Shows the picker under the text box's caret, as the chat window does.
    void ShowFor(const Ids& ids) {
        const QPoint caret = edit_->mapToGlobal(edit_->cursorRect().bottomLeft());
        Picker().Show(owner_, ids, caret);
        ASSERT_TRUE(Picker().IsWindowVisible());
        // A window system activates a window it shows a while later, not within the call.
        platform::PumpMessagesUntil([] { return false; }, 50ms);
        ASSERT_TRUE(edit_->hasFocus()) << "showing the picker took the keyboard";
    }
    void Type(Qt::Key key) { QTest::keyClick(edit_, key); }
    bool WaitForAnswers(std::size_t count) {
        return platform::PumpMessagesUntil([&] { return owner_.answers.size() >= count; }, 5s);
    }

    platform::CMessageLoop loop_;
    Ids members_;
    CMentionOwner owner_;
    QTextEdit* edit_ = nullptr;
};

TEST_F(MentionPickerTest, KeysTypedInTheTextBoxMoveThroughTheListAndPickWhileItKeepsTheKeyboard) {
    edit_->setPlainText(QStringLiteral("你好 @"));
    edit_->moveCursor(QTextCursor::End);
    ShowFor(First(3));
    EXPECT_EQ(Picker().Selection(), 0);
    EXPECT_EQ(Picker().GetClientRect().Height(), 3 * suggest_style::kRowHeight);
    EXPECT_FALSE(Picker().ScrollBar().Shown());
    const UiRect popup = Picker().GetWindowRect();
    const QPoint caret = edit_->mapToGlobal(edit_->cursorRect().bottomLeft());
    EXPECT_EQ(popup.top, caret.y() + suggest_style::kBelowPoint);
    EXPECT_TRUE(owner_.Widget()->isActiveWindow());

    // Up at the top and Down at the bottom stay where they are.
    Type(Qt::Key_Up);
    EXPECT_EQ(Picker().Selection(), 0);
    for (int i = 0; i < 3; ++i)
        Type(Qt::Key_Down);
    EXPECT_EQ(Picker().Selection(), 2);
    Type(Qt::Key_Up);
    Type(Qt::Key_Down);
    // Other keys still type into the box.
    Type(Qt::Key_W);
    EXPECT_EQ(edit_->toPlainText(), QStringLiteral("你好 @w"));

    Type(Qt::Key_Return);
    ASSERT_EQ(owner_.answers.size(), 1u) << "the name is sent before Enter returns";
    EXPECT_EQ(owner_.answers[0], std::make_pair(kMentionPicked, QStringLiteral("王五")));
    EXPECT_EQ(Picker().ChosenId(), "102");
    EXPECT_FALSE(Picker().IsWindowVisible());
    ASSERT_TRUE(WaitForAnswers(2));
    EXPECT_EQ(owner_.answers[1].first, kMentionDone);
    EXPECT_EQ(edit_->toPlainText(), QStringLiteral("你好 @w")) << "Enter reached the box";
    EXPECT_TRUE(edit_->hasFocus());

    // Hidden, the picker leaves the keys alone.
    Type(Qt::Key_Return);
    EXPECT_EQ(edit_->toPlainText(), QStringLiteral("你好 @w\n"));
    EXPECT_EQ(owner_.answers.size(), 2u);

    // Escape hides it and answers "nothing"; the box keeps its text.
    ShowFor(First(3));
    Type(Qt::Key_Down);
    Type(Qt::Key_Escape);
    EXPECT_FALSE(Picker().IsWindowVisible());
    ASSERT_TRUE(WaitForAnswers(3));
    EXPECT_EQ(owner_.answers[2], std::make_pair(kMentionDone, QString()));
    platform::PumpMessagesUntil([] { return false; }, 100ms);
    EXPECT_EQ(owner_.answers.size(), 3u);
    EXPECT_EQ(edit_->toPlainText(), QStringLiteral("你好 @w\n"));
}

TEST_F(MentionPickerTest, AClickPicksTheRowAndTheKeyboardStaysInTheTextBox) {
    ShowFor(First(3));
    // Every row is named for screen readers.
    QStringList named;
    for (const UiNode& node : Picker().List().Describe())
        named << node.name;
    for (const char* name : {"张三", "李四", "王五"})
        EXPECT_TRUE(named.contains(QString::fromUtf8(name))) << name;

    const UiRect row = Picker().List().GetItemRect(1);
    QTest::mouseClick(Picker().List().Widget(), Qt::LeftButton, {},
                      QPoint(row.left + 40, row.top + row.Height() / 2));
    ASSERT_TRUE(WaitForAnswers(2));
    EXPECT_EQ(owner_.answers[0], std::make_pair(kMentionPicked, QStringLiteral("李四")));
    EXPECT_EQ(owner_.answers[1].first, kMentionDone);
    EXPECT_FALSE(Picker().IsWindowVisible());
    EXPECT_TRUE(edit_->hasFocus()) << "the click took the keyboard";

    // A member the account has forgotten meanwhile only ends the mention.
    ShowFor(First(3));
    CDBUser::Instance().Users().erase("100");
    Type(Qt::Key_Return);
    ASSERT_TRUE(WaitForAnswers(3));
    EXPECT_EQ(owner_.answers[2], std::make_pair(kMentionDone, QString()));
    EXPECT_FALSE(Picker().IsWindowVisible());
}

TEST_F(MentionPickerTest, ALongListShowsFiveRowsAndScrollsToFollowTheSelection) {
    ShowFor(members_);
    EXPECT_EQ(Picker().GetClientRect().Height(), 5 * suggest_style::kRowHeight);
    EXPECT_EQ(Picker().GetClientRect().Width(), suggest_style::kWidth);
    EXPECT_TRUE(Picker().ScrollBar().Shown());
    for (int i = 0; i < 7; ++i)
        Type(Qt::Key_Down);
    EXPECT_EQ(Picker().Selection(), 7);
    EXPECT_EQ(Picker().List().GetTopIndex(), 3) << "the selected row is the last one shown";
    for (int i = 0; i < 6; ++i)
        Type(Qt::Key_Up);
    EXPECT_EQ(Picker().List().GetTopIndex(), 1);
    Type(Qt::Key_Down);

    // The picture: the long list with the selection on the second row shown.
    QWidget* widget = Picker().Widget();
    for (qreal scale : {1.0, 2.0}) {
        QImage image(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const QPoint origin = Picker().ClientOrigin();
        const int chosenY = suggest_style::kRowHeight + suggest_style::kRowHeight / 2;
        EXPECT_EQ(image.pixelColor((origin + QPoint(60, chosenY)) * scale),
                  suggest_style::kChosenRow);
        QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
        EXPECT_TRUE(image.save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                               QStringLiteral("/mention-picker") +
                               (scale > 1 ? QStringLiteral("@2x.png") : QStringLiteral(".png"))));
    }

    // At the corner of the screen it stays on the screen, above the caret.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint corner = area.bottomRight() - QPoint(5, 5);
    Picker().Show(owner_, members_, corner);
    const UiRect rect = Picker().GetWindowRect();
    EXPECT_TRUE(area.contains(QRect(rect.left, rect.top, rect.Width(), rect.Height())));
    EXPECT_LE(rect.bottom, corner.y()) << "it opens above the caret";
    Picker().Show(owner_, members_, area.topLeft());
    EXPECT_EQ(Picker().GetWindowRect().top, area.top() + suggest_style::kBelowPoint);
}

}  // namespace
}  // namespace lumeno::test
