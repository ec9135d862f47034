#pragma once
// The conversation page in the real web engine, as a chat window hosts it: a skinned owner
// window with the web view as its child, loading the page of the build's skin folder. The owner
// keeps every address the page offers it, as the chat window's dispatch receives them.

#include <QCoreApplication>
#include <QTest>
#include <QVariant>
#include <chrono>
#include <string>
#include <vector>

#include "tests/support/pump.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/window/window_impl.h"
#include "ui/ui_messages.h"
#include "ui/web/html_view.h"

namespace lumeno::test {

class PageOwner : public VWindowImpl<PageOwner> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestPageOwner"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
    }
    bool OnWindowMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        if (message != UM_WEB_NAVIGATE || !view) return false;
        offered.push_back(view->NavigatingUrl().toString(QUrl::FullyEncoded).toStdString());
        result = CQVHtmlViewEx::kNavigationHandled;
        return true;
    }
    CQVHtmlViewEx* view = nullptr;
    std::vector<std::string> offered;
};

class ConversationPage {
  public:
    // Opens the owner and the view (`width` x `height` client area) and starts the page loading.
    bool Open(int width = 560, int height = 640) {
        owner.view = &view;
        if (!owner.Create(nullptr, UiRect::FromSize(60, 40, width, height), QString(),
                          WS_POPUP | WS_VISIBLE)) {
            return false;
        }
        if (!QTest::qWaitForWindowExposed(owner.Widget())) return false;
        if (!view.Create(owner, UiRect(0, 0, width, height))) return false;
        return view.NavigateToConversationPage();
    }
    bool WaitLoaded() {
        return PumpUntil([this] { return view.PageLoaded() && view.QueuedScripts() == 0; });
    }
    // The value of a script, waited for.
    QVariant Eval(const QString& code) {
        bool done = false;
        QVariant value;
        view.RunScript(code, [&](const QVariant& result) {
            value = result;
            done = true;
        });
        PumpUntil([&] { return done; });
        return value;
    }
    // Waits for the page to have drawn what it was given: two animation frames.
    bool Settle() {
        Eval(
            QStringLiteral("window.lumenoFrames=0;requestAnimationFrame(function(){"
                           "requestAnimationFrame(function(){window.lumenoFrames=2;});});"));
        for (int i = 0; i < 200; ++i) {
            if (Eval(QStringLiteral("window.lumenoFrames")).toInt() == 2) return true;
            QTest::qWait(10);
        }
        return false;
    }
    PageScroll Scroll() {
        bool done = false;
        view.ReadScroll([&](const PageScroll&) { done = true; });
        PumpUntil([&] { return done; });
        return view.Scroll();
    }

    PageOwner owner;
    CQVHtmlViewEx view;
};

}  // namespace lumeno::test
