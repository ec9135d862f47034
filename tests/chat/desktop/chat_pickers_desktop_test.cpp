// The chat window's pickers at a real desktop (a window manager and a compositing manager on a
// private display), driven through the real pointer and keyboard: the mention picker goes as soon
// as the keyboard or a click goes elsewhere and takes no keys after that; the emoticon picker
// opens whole on the screen with its border wherever the conversation window stands, never past
// the chat's left edge while there is room, and an emoticon chosen with the pointer keeps the
// input box one line high.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <algorithm>
#include <optional>

#include "tests/support/chat_window.h"
#include "tests/support/element_click.h"
#include "tests/support/real_input.h"
#include "ui/chat/chat_entry.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/dlg_msg_group.h"
#include "ui/chat/emoticon_picker.h"
#include "ui/chat/picker_style.h"
#include "ui/edit/edit_ex.h"
#include "ui/prompts/dlg_suggest.h"

namespace lumeno::test {
namespace {

namespace input = real_input;

class ChatPickersDesktopTest : public ChatWindowTest {
  protected:
    void TearDown() override {
        CDlgMsgGroup::DestroyInstance();
        ChatWindowTest::TearDown();
    }
    static void Settle(int ms = 250) {
        PumpUntil([] { return false; }, std::chrono::milliseconds(ms));
    }
    static QPoint MiddleOf(QWidget* widget) { return widget->mapToGlobal(widget->rect().center()); }
    static QRect ScreenArea() { return QGuiApplication::primaryScreen()->geometry(); }
    // Opens the conversations in the conversation window, the last one selected, with the
    // window's frame at `frame`; returns the selected chat once its page shows.
    static CDlgMessage* OpenAt(const std::vector<std::int32_t>& ids, const QRect& frame) {
        CDlgMsgGroup& group = CDlgMsgGroup::Instance();
        EXPECT_TRUE(group.Create());
        for (std::int32_t id : ids)
            OpenConversation(id);
        EXPECT_TRUE(PumpUntil([&] { return group.IsWindowVisible(); }));
        group.MoveWindow(frame.x(), frame.y(), frame.width(), frame.height());
        CDlgMessage* chat = group.Chat(ids.back());
        EXPECT_NE(chat, nullptr);
        if (!chat) return nullptr;
        EXPECT_TRUE(PumpUntil([&] { return chat->PageReady() && Rows(*chat) > 0; }));
        Settle(500);
        return chat;
    }
    // Clicks the chat window's drawn element of that name with the real pointer.
    static bool ClickOn(CDlgMessage& chat, const QString& name) {
        const std::optional<UiNode> node = FindElement(chat, name);
        return node && input::Click(chat.ClientToScreen(node->rect.ToQRect().center()));
    }
    // Whether the screen shows the colour at the point (the compositor may round it a little).
    static bool ScreenShows(const QImage& screen, QPoint at, const QColor& colour) {
        const QPoint pixel = input::Physical(at);
        if (!screen.rect().contains(pixel)) return false;
        const QColor shown = screen.pixelColor(pixel);
        return std::abs(shown.red() - colour.red()) <= 3 &&
               std::abs(shown.green() - colour.green()) <= 3 &&
               std::abs(shown.blue() - colour.blue()) <= 3;
    }
};

// Typing "@" in a group offers its members; the offer ends when the keyboard goes to another
// window of the client or into the conversation page, and at a click anywhere but on the
// picker. Keys typed after that belong where they are typed: none moves or picks in the list.
TEST_F(ChatPickersDesktopTest, TheMentionPickerGoesWhenTheKeyboardOrAClickGoesElsewhere) {
    SignInDemo();
    const std::int32_t team = ConversationNamed("产品研发群");
    ASSERT_NE(team, 0);
    CDlgMessage* chat = OpenAt({team}, QRect(420, 80, 600, 560));
    ASSERT_NE(chat, nullptr);
    CDlgSuggest& picker = CDlgSuggest::Instance();
    CChatInput* box = chat->Input();
    const auto offer = [&] {
        ASSERT_TRUE(input::Click(MiddleOf(box)));
        ASSERT_TRUE(PumpUntil([&] { return box->hasFocus(); })) << "a click gives the box the keys";
        box->clear();
        ASSERT_TRUE(input::Type(QStringLiteral("@")));
        ASSERT_TRUE(PumpUntil([&] { return picker.IsWindowVisible(); }))
            << "typing @ offers the members";
        ASSERT_TRUE(box->hasFocus()) << "the picker leaves the keys in the box";
    };
    const auto goneFor = [&](const char* why) {
        EXPECT_TRUE(PumpUntil([&] { return !picker.IsWindowVisible(); }, std::chrono::seconds(2)))
            << "the picker stays after " << why;
    };

    // The keyboard goes to the main window's search box; the arrows typed there are its own.
    offer();
    CEditEx* search = Main().SearchBox();
    ASSERT_NE(search, nullptr);
    ASSERT_TRUE(input::Click(MiddleOf(search)));
    ASSERT_TRUE(PumpUntil([&] { return search->hasFocus(); }));
    goneFor("the keyboard went to the main window");
    ASSERT_TRUE(input::Type(QStringLiteral("zh")));
    ASSERT_TRUE(input::Key(QStringLiteral("Down")));
    ASSERT_TRUE(PumpUntil([&] { return search->text() == QStringLiteral("zh"); }));
    Settle();
    EXPECT_EQ(picker.Selection(), 0) << "Down typed elsewhere moved in the list";
    EXPECT_EQ(box->toPlainText(), QStringLiteral("@"));
    ASSERT_TRUE(input::Key(QStringLiteral("Escape")));

    // The keyboard goes into the conversation page with a click; Enter there picks nobody.
    offer();
    const QRect page(chat->Page().NativeWidget()->mapToGlobal(QPoint(0, 0)),
                     chat->Page().NativeWidget()->size());
    ASSERT_TRUE(input::Click(page.center()));
    goneFor("a click on the conversation page");
    ASSERT_TRUE(input::Key(QStringLiteral("Down")));
    ASSERT_TRUE(input::Key(QStringLiteral("Return")));
    Settle();
    EXPECT_EQ(box->toPlainText(), QStringLiteral("@")) << "Enter typed in the page picked a name";
    EXPECT_TRUE(chat->Outstanding().empty()) << "nor sent anything";

    // A click on the window's own background, which leaves the keys in the box.
    offer();
    const UiRect frame = chat->GetClientRect();
    ASSERT_TRUE(input::Click(chat->ClientToScreen(QPoint(4, frame.bottom - 4))));
    goneFor("a click beside the box");

    // The picker's own rows still pick with a click.
    offer();
    const int rows = picker.RowCount();
    ASSERT_GE(rows, 1);
    const UiRect first = picker.List().GetItemRect(0);
    ASSERT_TRUE(input::Click(picker.List().ClientToScreen(first.ToQRect().center())));
    ASSERT_TRUE(PumpUntil([&] { return !picker.IsWindowVisible(); }));
    EXPECT_TRUE(PumpUntil([&] {
        return box->toPlainText().startsWith(QLatin1Char('@')) && box->toPlainText().size() > 2;
    })) << box->toPlainText().toStdString();
}

// The emoticon picker opens whole on the screen, with its border, for a conversation window at
// the screen's left edge (partly past it) and near its right edge; at the left it does not stand
// out past the chat. A face chosen with the pointer goes into the box, which stays one line high.
TEST_F(ChatPickersDesktopTest, TheEmoticonPickerOpensWholeOnTheScreenWithItsBorder) {
    SignInDemo();
    const std::int32_t team = ConversationNamed("产品研发群");
    const std::int32_t other = BusiestConversation();
    ASSERT_NE(team, 0);
    ASSERT_NE(other, 0);
    const QRect screen = ScreenArea();
    CDlgMessage* chat = OpenAt({other, team}, QRect(-100, 200, 720, 560));
    ASSERT_NE(chat, nullptr);
    CDlgMsgGroup& group = CDlgMsgGroup::Instance();
    CDlgExpression& picker = CDlgExpression::Instance();
    CChatInput* box = chat->Input();
    ASSERT_TRUE(input::Click(MiddleOf(box)));
    ASSERT_TRUE(PumpUntil([&] { return box->hasFocus(); }));
    const int oneLine = box->height();

    // The main window stands aside, on the other half of the screen.
    const struct {
        const char* where;
        QRect frame;
        bool roomRightOfChat;
        QPoint main;
    } places[] = {
        {"at the left edge, partly past it", QRect(-100, 200, 720, 560), true,
         QPoint(screen.right() + 1 - 320, 20)},
        {"near the right edge", QRect(screen.right() + 1 - 450, 120, 720, 560), false,
         QPoint(20, 20)},
    };
    int chosen = 0;
    for (const auto& place : places) {
        const UiRect main = Main().GetWindowRect();
        Main().MoveWindow(place.main.x(), place.main.y(), main.Width(), main.Height());
        group.MoveWindow(place.frame.x(), place.frame.y(), place.frame.width(),
                         place.frame.height());
        Settle(500);
        ASSERT_TRUE(ClickOn(*chat, QStringLiteral("表情"))) << place.where;
        ASSERT_TRUE(PumpUntil([&] { return picker.IsWindowVisible(); })) << place.where;
        Settle(500);
        const QRect shown = picker.GetWindowRect().ToQRect();
        const QRect pane = chat->GetWindowRect().ToQRect();
        EXPECT_TRUE(screen.contains(shown)) << place.where << ": " << shown.x() << "," << shown.y()
                                            << " " << shown.width() << "x" << shown.height();
        if (place.roomRightOfChat) {
            EXPECT_GE(shown.left(), std::max(pane.left(), screen.left()))
                << place.where << ": the picker stands out past the chat's left edge";
        }
        EXPECT_LE(shown.bottom(), chat->ClientToScreen(QPoint(0, box->geometry().top())).y())
            << place.where << ": the picker covers the input box";
        // Its border, as the screen shows it, on all four sides.
        const QImage seen = input::Screen();
        const QPoint middle = shown.center();
        for (const QPoint edge :
             {QPoint(shown.left(), middle.y()), QPoint(shown.right(), middle.y()),
              QPoint(middle.x(), shown.top()), QPoint(middle.x(), shown.bottom())})
            EXPECT_TRUE(ScreenShows(seen, edge, picker_style::kBorderColour))
                << place.where << ": no border at " << edge.x() << "," << edge.y();

        // A face, clicked: in the box, which keeps its one line.
        const UiNodeList cells = picker.List().Describe();
        ASSERT_FALSE(cells.empty());
        ASSERT_TRUE(input::Click(picker.List().ClientToScreen(cells[2].rect.ToQRect().center())));
        ++chosen;
        ASSERT_TRUE(PumpUntil([&] { return static_cast<int>(box->Pictures().size()) == chosen; }))
            << place.where;
        Settle();
        EXPECT_EQ(box->height(), oneLine) << place.where << ": an emoticon made the box higher";
        EXPECT_FALSE(picker.IsWindowVisible());
    }
}

}  // namespace
}  // namespace lumeno::test
