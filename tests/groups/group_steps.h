#pragma once
// The steps the group window tests share: the signed-in main window, the picker and the
// information window found through their registries, ticking people as a user does, and what
// the service tells another member.

#include <QDir>
#include <QInputMethodEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <set>
#include <string>

#include "platform/window.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/box_catcher.h"
#include "tests/support/build_tree.h"
#include "tests/support/element_click.h"
#include "tests/support/main_window_client.h"
#include "tests/support/screenshot.h"
#include "ui/edit/edit_ex.h"
#include "ui/groups/dlg_generate_session.h"
#include "ui/groups/dlg_user_group_list.h"

namespace lumeno::test {

inline constexpr const char* kDemo = "10001";
inline constexpr const char* kZhang = "10002";
inline constexpr const char* kWang = "10003";
inline constexpr const char* kAlice = "10004";
inline constexpr const char* kLina = "10005";

class GroupWindowsTest : public MainWindowClientTest {
  protected:
    static CDlgUserGroupList* InfoWindow(std::int32_t id) {
        return dynamic_cast<CDlgUserGroupList*>(
            platform::WindowFromHandle(Main().OpenGroupInfoWindow(id)));
    }
    static std::set<std::string> Members(std::int32_t id) {
        const ConversationRecord* c = CDBMsgDlg::Instance().FindConversation(id);
        if (!c) return {};
        return std::set<std::string>(c->member_ids.begin(), c->member_ids.end());
    }
    static std::int32_t GroupNamed(const std::string& name) {
        for (const auto& [id, c] : CDBMsgDlg::Instance().Conversations()) {
            if (c->name == name) return id;
        }
        return 0;
    }

    // Types into the picker's search box and takes the first result with Enter.
    static void TickBySearch(CDlgGenerateSession& picker, const QString& typed) {
        CEditEx* box = picker.SearchBox();
        box->setFocus();
        QTest::keyClicks(box, typed);
        ASSERT_TRUE(PumpUntil([&] { return picker.Candidates().Searching(); }));
        QTest::keyClick(box, Qt::Key_Return);
        ASSERT_TRUE(PumpUntil([&] { return !picker.Candidates().Searching(); }));
    }
    // Clicks a row of the picker's list by the person's name.
    static bool ClickRow(CDlgGenerateSession& picker, const QString& name) {
        return ClickElement(picker.List(), name);
    }
    // Types a text the keyboard cannot (Chinese) as an input method commits it.
    static void Commit(QWidget* box, const QString& text) {
        QInputMethodEvent typed;
        typed.setCommitString(text);
        QApplication::sendEvent(box, &typed);
    }

    // The name another member's account gets from the service for the conversation ("" when
    // the conversation is not among theirs).
    std::string NameSeenBy(const std::string& account, std::int32_t id) {
        const QJsonObject token =
            QJsonDocument::fromJson(
                QByteArray::fromStdString(service_.Get("/admin/token?account=" + account)))
                .object();
        const std::string auth = "u=" + token.value("qxid").toString().toStdString() +
                                 "&access_token=" + token.value("token").toString().toStdString();
        const QJsonDocument page = QJsonDocument::fromJson(QByteArray::fromStdString(service_.Get(
            "/lumeno/msg/v3/get_msg_dlg?" + auth + "&version=1.0.0.1&channel=pc_beta&appid=2")));
        return Find(page.object(), id);
    }

    static void Screenshot(VWindowImplRoot& window, const QString& file) {
        PumpUntil([] { return false; }, std::chrono::milliseconds(400));
        EXPECT_TRUE(SaveAtBothScales(window.Widget(),
                                     QString::fromUtf8(lumeno::test::build::ScreenshotDir()),
                                     QString(file).remove(QStringLiteral(".png"))));
    }

  private:
    static std::string Find(const QJsonValue& value, std::int32_t id) {
        if (value.isArray()) {
            for (const QJsonValue& item : value.toArray()) {
                const std::string found = Find(item, id);
                if (!found.empty()) return found;
            }
        } else if (value.isObject()) {
            const QJsonObject object = value.toObject();
            if (object.value("mid").toInt() == id || object.value("id").toInt() == id) {
                if (object.contains("name")) return object.value("name").toString().toStdString();
            }
            for (const QJsonValue& member : object) {
                const std::string found = Find(member, id);
                if (!found.empty()) return found;
            }
        }
        return std::string();
    }
};

}  // namespace lumeno::test
