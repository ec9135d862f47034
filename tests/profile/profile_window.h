#pragma once
// A signed-in client whose profile windows are driven as a person drives them: found through the
// main window's registry, clicked by the names of their drawn elements, their modal dialogs
// (the friend level, the verification message) answered when they come up.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QInputMethodEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "tests/support/build_tree.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/main_window_client.h"
#include "tests/support/pump.h"
#include "tests/support/screenshot.h"
#include "ui/edit/edit_ex.h"
#include "ui/profile/dlg_add_contact_confirm.h"
#include "ui/profile/dlg_friend_level.h"
#include "ui/profile/dlg_user_detail.h"

namespace lumeno::test {

class ProfileWindowTest : public MainWindowClientTest {
  public:
    // Also used by the dialog answerers, which run outside the test's body.
    // The profile window the registry keeps for a user, null when there is none.
    static CDlgUserDetail* ProfileOf(const std::string& userId) {
        auto* window = dynamic_cast<CDlgUserDetail*>(platform::WindowFromHandle(
            platform::FindWindowByClass(CDlgUserDetail::WindowClassName())));
        return window && window->UserId() == userId ? window : nullptr;
    }
    // Opens the profile as the lists do and waits for its details.
    static CDlgUserDetail& OpenProfile(const std::string& userId) {
        const HWND hwnd = Main().OpenProfileWindow(userId);
        EXPECT_NE(hwnd, nullptr);
        auto* window = dynamic_cast<CDlgUserDetail*>(platform::WindowFromHandle(hwnd));
        EXPECT_NE(window, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
        EXPECT_TRUE(PumpUntil([window] { return !window->Fetching(); }));
        QApplication::processEvents();
        return *window;
    }
    // Clicks the element of that name with the mouse, in the window or in its content list.
    static bool Click(VWindowImplRoot& window, const QString& name) {
        for (const UiNode& node : window.Describe()) {
            if (node.name != name) continue;
            const QPoint at = node.rect.ToQRect().center();
            QWidget* target = window.Widget();
            // The pointer arrives from beside the element: a move to where it already is would
            // not reach the window.
            QTest::mouseMove(target, at + QPoint(1, 1));
            QTest::mouseMove(target, at);
            QTest::mouseClick(target, Qt::LeftButton, {}, at);
            QApplication::processEvents();
            return true;
        }
        return false;
    }
    static bool ClickInProfile(CDlgUserDetail& window, const QString& name) {
        return Click(window.Content(), name) || Click(window, name);
    }
    static bool ShowsInProfile(CDlgUserDetail& window, const QString& name) {
        return Shows(window.Content(), name) || Shows(window, name);
    }
    // Replaces the box's text as an input method hands over what was composed.
    static void Compose(QLineEdit& box, const QString& text) {
        box.setFocus();
        box.selectAll();
        box.insert(text);
        QApplication::processEvents();
    }

    // The other account's side, read through the service with a token of its own.
    QJsonObject AsOther(const std::string& account, const std::string& path) {
        const QJsonObject token =
            QJsonDocument::fromJson(
                QByteArray::fromStdString(service_.Get("/admin/token?account=" + account)))
                .object();
        const std::string auth = "u=" + token.value("qxid").toString().toStdString() +
                                 "&access_token=" + token.value("token").toString().toStdString();
        const std::string joiner = path.find('?') == std::string::npos ? "?" : "&";
        return QJsonDocument::fromJson(
                   QByteArray::fromStdString(service_.Get(path + joiner + auth)))
            .object();
    }
    // The other account's open friend request from the demo account, as its pending items list it.
    QJsonObject RequestFromDemo(const std::string& account) {
        const QJsonArray requests =
            AsOther(account, "/lumeno/user/v3/tasks?pending=1").value("requests").toArray();
        for (const QJsonValue& request : requests) {
            if (request.toObject().value("icon_qxid").toString() == QStringLiteral("10001"))
                return request.toObject();
        }
        return QJsonObject();
    }
    bool ServiceFriends(const std::string& account, const QString& qxid) {
        const QJsonArray contacts =
            AsOther(account, "/lumeno/contact/v3/d1").value("contacts").toArray();
        for (const QJsonValue& contact : contacts)
            if (contact.toObject().value("qxid").toString() == qxid) return true;
        return false;
    }

    // Saves a picture of a window for the README.
    static void SaveScreenshot(QWidget* widget, const QString& name) {
        ASSERT_TRUE(SaveAtBothScales(widget,
                                     QString::fromUtf8(lumeno::test::build::ScreenshotDir()),
                                     QString(name).remove(QStringLiteral(".png"))));
    }
};

}  // namespace lumeno::test
