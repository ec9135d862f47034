#pragma once
// A signed-in client whose conversations are opened in chat windows, with the ways a test reads
// the conversation page (rows, texts, any script) and types as a person does.

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <memory>
#include <string>

#include "api/login.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/element_click.h"
#include "tests/support/main_window_client.h"
#include "tests/support/pump.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/dlg_message.h"

namespace lumeno::test {

class ChatWindowTest : public lumeno::test::MainWindowClientTest {
  protected:
    // The demo account's conversation with the most messages held after sign-in.
    static std::int32_t BusiestConversation() {
        std::int32_t best = 0;
        std::size_t most = 0;
        for (const auto& [id, entry] : CDBMsgDlg::Instance().Index()) {
            const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
            if (!conversation || conversation->type == 3) continue;
            if (entry.ids.size() > most) {
                most = entry.ids.size();
                best = id;
            }
        }
        return best;
    }
    // The conversation of that name, 0 when there is none.
    static std::int32_t ConversationNamed(const std::string& name) {
        for (const auto& [id, entry] : CDBMsgDlg::Instance().Index()) {
            const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
            if (conversation && conversation->name == name) return id;
        }
        return 0;
    }
    // A member of the conversation other than the signed-in account.
    static std::string PeerOf(const ConversationRecord& conversation) {
        for (const std::string& member : conversation.member_ids) {
            if (member != CDBLogin::Instance().Record().qxid) return member;
        }
        return std::string();
    }
    std::unique_ptr<CDlgMessage> Open(std::int32_t conversationId) {
        auto window = std::make_unique<CDlgMessage>(conversationId, QStringLiteral("测试"));
        EXPECT_TRUE(window->Create(nullptr, UiRect::FromSize(80, 60, 550, 560), QString(),
                                   WS_POPUP | WS_VISIBLE));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
        return window;
    }
    static QVariant Eval(CDlgMessage& window, const QString& code) {
        bool done = false;
        QVariant value;
        window.Page().RunScript(code, [&](const QVariant& result) {
            value = result;
            done = true;
        });
        PumpUntil([&] { return done; }, std::chrono::seconds(10));
        return value;
    }
    static int Rows(CDlgMessage& window) {
        return Eval(window, QStringLiteral("document.querySelectorAll('.row.msg').length")).toInt();
    }
    static int RowsWithText(CDlgMessage& window, const QString& text) {
        const QString quoted =
            QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact))
                .mid(1)
                .chopped(1);
        return Eval(window,
                    QStringLiteral("Array.from(document.querySelectorAll('.row.msg'))"
                                   ".filter(function(r){return r.textContent.indexOf(%1)>=0;})"
                                   ".length")
                        .arg(quoted))
            .toInt();
    }
    // Clicks the element of that name (a button of the window's own drawing) with the mouse.
    static bool ClickElement(VWindowImplRoot& window, const QString& name) {
        return lumeno::test::ClickElement(window, name);
    }
    // Clicks with the mouse what the selector finds in the conversation page, scrolled into view.
    static bool ClickInPage(CDlgMessage& window, const QString& selector) {
        const QString quoted =
            QString::fromUtf8(QJsonDocument(QJsonArray{selector}).toJson(QJsonDocument::Compact))
                .mid(1)
                .chopped(1);
        Eval(window, QStringLiteral("(function(){var e=document.querySelector(%1);"
                                    "if(e)e.scrollIntoView({block:'center'});})()")
                         .arg(quoted));
        PumpUntil([] { return false; }, std::chrono::milliseconds(200));
        const QVariantList centre =
            Eval(window, QStringLiteral("(function(){var e=document.querySelector(%1);"
                                        "if(!e)return [];var b=e.getBoundingClientRect();"
                                        "return [b.left+b.width/2,b.top+b.height/2];})()")
                             .arg(quoted))
                .toList();
        if (centre.size() != 2) return false;
        QWidget* target = window.Page().NativeWidget()->focusProxy();
        if (!target) target = window.Page().NativeWidget();
        const QPoint point(qRound(centre[0].toDouble()), qRound(centre[1].toDouble()));
        QTest::mouseMove(target, point);
        QTest::mouseClick(target, Qt::LeftButton, {}, point);
        return true;
    }
    // Types as a person with an input method does: the method commits the words.
    static void TypeAndSend(CDlgMessage& window, const QString& text) {
        window.Input()->setFocus();
        QInputMethodEvent typed;
        typed.setCommitString(text);
        QApplication::sendEvent(window.Input(), &typed);
        QTest::keyClick(window.Input(), Qt::Key_Return);
    }
};

}  // namespace lumeno::test
