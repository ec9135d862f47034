#pragma once
// A signed-in client with the pending-items window open, and the ways a test finds a card,
// presses its buttons as a click would, answers the small dialogs over it and asks the service
// what another account sees.

#include <gtest/gtest.h>

#include <QInputMethodEvent>
#include <QTimer>
#include <functional>
#include <string>

#include "api/json_access.h"
#include "api/login.h"
#include "api/pending_items.h"
#include "platform/window.h"
#include "storage/specials_store.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/main_window_client.h"
#include "tests/support/pump.h"
#include "ui/conversations/page_message.h"
#include "ui/pending/dlg_specials.h"

namespace lumeno::test {

class PendingWindowTest : public MainWindowClientTest {
  protected:
    static CDlgSpecials& Window() { return *Main().PendingItemsWindow(); }

    // Opens the window and waits for the list.
    void OpenLoaded() {
        Main().OpenPendingItems();
        WaitLoaded();
    }
    // Opens it as a person does: a double click on the conversation page's first row, the
    // pending items.
    void OpenFromConversationPage() {
        ASSERT_NE(Main().MessagePage(), nullptr);
        CListBoxWindow& rows = Main().MessagePage()->List();
        const UiRect rect = rows.GetItemRect(0);
        const QPoint point(rect.left + 150, (rect.top + rect.bottom) / 2);
        QTest::mouseClick(rows.Widget(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(rows.Widget(), Qt::LeftButton, {}, point);
        QTest::mouseRelease(rows.Widget(), Qt::LeftButton, {}, point);
        ASSERT_TRUE(PumpUntil([] { return Main().PendingItemsWindow() != nullptr; }));
        WaitLoaded();
    }
    void WaitLoaded() {
        ASSERT_NE(Main().PendingItemsWindow(), nullptr);
        ASSERT_TRUE(PumpUntil([] {
            return !Window().Loading() && !CApiController::Instance().pendingItems.Busy() &&
                   !Window().Rows().empty();
        }));
    }
    static const PendingItem* ItemOfType(std::int32_t type) {
        for (std::int32_t id : PendingItemIds()) {
            const PendingItem* item = FindPendingItem(id);
            if (item && item->type == type) return item;
        }
        return nullptr;
    }
    // Presses the drawn element `name` of the item's card (scrolling it into view first).
    static bool Press(std::int32_t itemId, UiRole role, const QString& name) {
        CListBoxWindow& list = Window().List();
        const int row = Window().RowOf(itemId);
        if (row < 0) return false;
        list.SetTopIndex(row);
        const UiRect card = list.GetItemRect(row);
        for (const UiNode& node : list.Describe()) {
            if (node.role == role && node.name == name &&
                card.Contains(node.rect.left, node.rect.top))
                return list.ActivateElement(node.rect);
        }
        return false;
    }
    static bool PressButton(std::int32_t itemId, const QString& caption) {
        return Press(itemId, UiRole::Button, caption);
    }
    // True when the card offers the element.
    static bool CardShows(std::int32_t itemId, const QString& name) {
        CListBoxWindow& list = Window().List();
        const int row = Window().RowOf(itemId);
        if (row < 0) return false;
        list.SetTopIndex(row);
        const UiRect card = list.GetItemRect(row);
        for (const UiNode& node : list.Describe()) {
            if (node.name == name && card.Contains(node.rect.left, node.rect.top)) return true;
        }
        return false;
    }
    static void TypeInto(QWidget* box, const QString& text) {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(box, &commit);
    }
    // A token of another account, and what the service tells that account.
    std::string AuthOf(const std::string& account) {
        Json::Value root;
        if (!ParseJson(service_.Get("/admin/token?account=" + account), root)) return {};
        return "u=" + root["qxid"].asString() + "&access_token=" + root["token"].asString();
    }
    static std::string MyAuth() { return AuthQuery(); }
};

}  // namespace lumeno::test
