// The main window at a real desktop, driven through the real keyboard: Tab round the caption
// buttons, the search box, the page tabs and the page's list; the tabs switch pages by keys; the
// list opens its rows by keys.

#include <gtest/gtest.h>

#include <QApplication>

#include "api/api_controller.h"
#include "tests/support/main_window_client.h"
#include "tests/support/real_input.h"
#include "tests/ui/desktop/keyboard_ring.h"
#include "ui/chat/chat_entry.h"
#include "ui/contacts/page_contact.h"
#include "ui/conversations/page_message.h"
#include "ui/edit/edit_ex.h"

namespace lumeno::test {
namespace {

namespace input = real_input;

class MainKeyboardDesktopTest : public MainWindowClientTest {
  protected:
    // Where the keyboard is in the main window: "搜索", "列表" (the visible page's list) or the
    // name of a drawn control.
    static QString Stop() {
        QWidget* list = Main().CurrentPage() == MainPage::Messages
                            ? Main().MessagePage()->List().Widget()
                            : Main().ContactPage()->List().Widget();
        return KeyboardStop(
            Main(), {{QStringLiteral("搜索"), Main().SearchBox()}, {QStringLiteral("列表"), list}});
    }
    static std::vector<QString> Walk(const QString& key, int steps) {
        std::vector<QString> stops;
        for (int i = 0; i < steps; ++i) {
            if (!PressKey(key)) break;
            stops.push_back(Stop());
        }
        return stops;
    }
};

TEST_F(MainKeyboardDesktopTest, TabGoesRoundTheWindowAndThePageTabsAndTheListAnswerKeys) {
    SignInDemo();
    ASSERT_TRUE(PumpUntil([] {
        return Main().Widget()->windowHandle() && Main().Widget()->windowHandle()->isExposed();
    }));
    CEditEx* search = Main().SearchBox();
    ASSERT_TRUE(input::Click(search->mapToGlobal(search->rect().center())));
    ASSERT_TRUE(PumpUntil([] { return Stop() == QStringLiteral("搜索"); }));

    // Round the window in reading order, and back.
    const QString conversations = QStringLiteral("会话");
    const QString contacts = QStringLiteral("联系人");
    const QString list = QStringLiteral("列表");
    EXPECT_EQ(Walk(QStringLiteral("Tab"), 8),
              (std::vector<QString>{conversations, contacts, list, QStringLiteral("主菜单"),
                                    QStringLiteral("最小化"), QStringLiteral("关闭"),
                                    QStringLiteral("搜索"), conversations}));
    EXPECT_EQ(Walk(QStringLiteral("shift+Tab"), 3),
              (std::vector<QString>{QStringLiteral("搜索"), QStringLiteral("关闭"),
                                    QStringLiteral("最小化")}));

    // On a tab, Right and Left switch the page and the keyboard goes with them.
    ASSERT_TRUE(PressKey(QStringLiteral("Tab")));
    ASSERT_TRUE(PressKey(QStringLiteral("Tab")));
    ASSERT_TRUE(PressKey(QStringLiteral("Tab")));
    ASSERT_EQ(Stop(), conversations);
    ASSERT_TRUE(PressKey(QStringLiteral("Right")));
    EXPECT_EQ(Main().CurrentPage(), MainPage::Contacts);
    EXPECT_EQ(Stop(), contacts);
    ASSERT_TRUE(PressKey(QStringLiteral("Left")));
    EXPECT_EQ(Main().CurrentPage(), MainPage::Messages);
    EXPECT_EQ(Stop(), conversations);
    // Enter and Space on a tab the keyboard was moved to.
    ASSERT_TRUE(PressKey(QStringLiteral("Tab")));
    ASSERT_EQ(Stop(), contacts);
    ASSERT_TRUE(PressKey(QStringLiteral("Return")));
    EXPECT_EQ(Main().CurrentPage(), MainPage::Contacts);
    ASSERT_TRUE(PressKey(QStringLiteral("shift+Tab")));
    ASSERT_EQ(Stop(), conversations);
    ASSERT_TRUE(PressKey(QStringLiteral("space")));
    EXPECT_EQ(Main().CurrentPage(), MainPage::Messages);

    // In the list the arrows and Enter open a conversation.
    ASSERT_TRUE(PressKey(QStringLiteral("Tab")));
    ASSERT_TRUE(PressKey(QStringLiteral("Tab")));
    ASSERT_EQ(Stop(), list);
    CPageMessage& page = *Main().MessagePage();
    ASSERT_GT(page.RowCount(), 2);
    const int before = LastConversationRequest().count;
    ASSERT_TRUE(PressKey(QStringLiteral("Down")));
    ASSERT_TRUE(PressKey(QStringLiteral("Down")));
    EXPECT_EQ(page.CurrentRow(), 1);
    ASSERT_TRUE(PressKey(QStringLiteral("Return")));
    EXPECT_EQ(LastConversationRequest().count, before + 1);
    EXPECT_EQ(LastConversationRequest().conversationId, page.RowConversation(1));
}

}  // namespace
}  // namespace lumeno::test
