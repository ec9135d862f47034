#include "ui/web/html_view.h"

#include <QContextMenuEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QPointer>
#include <QRegularExpression>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <deque>

#include "toolkit/window/vwindow.h"
#include "toolkit/window/window_root.h"

namespace {

// The page of the view: it asks the host about every navigation.
class HostPage final : public QWebEnginePage {
  public:
    HostPage(QWebEngineProfile* profile, QObject* parent,
             std::function<bool(const QUrl&, bool, bool)> accept)
        : QWebEnginePage(profile, parent), accept_(std::move(accept)) {}

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool mainFrame) override {
        return accept_(url, mainFrame, type == NavigationTypeLinkClicked);
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override {}

  private:
    std::function<bool(const QUrl&, bool, bool)> accept_;
};

// The view: its context menu is the host's.
class HostView final : public QWebEngineView {
  public:
    HostView(QWidget* parent, std::function<void(QPoint)> menu)
        : QWebEngineView(parent), menu_(std::move(menu)) {}

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override {
        event->accept();
        menu_(event->globalPos());
    }

  private:
    std::function<void(QPoint)> menu_;
};

// The view may be taken down from inside one of its own handlers (a menu that outlived its
// window): it goes once the current event is over, hidden at once, and hears nothing more.
void Retire(QWidget* view) {
    if (!view) return;
    view->hide();
    view->deleteLater();
}

}  // namespace

struct CKesHtmlWnd::Host {
    QPointer<HostView> view;
    QPointer<HostPage> page;  // both go with the owner's window if it goes first
    bool navigated = false;
    bool loaded = false;
    struct Script {
        QString code;
        std::function<void(const QVariant&)> done;
    };
    std::deque<Script> queue;
    // Shared with the callbacks the engine still holds: false once the host is gone.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

CKesHtmlWnd::CKesHtmlWnd() : host_(std::make_unique<Host>()) {}

CKesHtmlWnd::~CKesHtmlWnd() {
    DestroyHandle();
    *host_->alive = false;
    Retire(host_->view.data());
}

HWND CKesHtmlWnd::Create(HWND parent, const UiRect& rect) {
    VWindowImplRoot* root = VWindow(parent).Root();
    QWidget* surface = root ? root->Surface() : nullptr;
    if (!surface || host_->view) return nullptr;
    // The engine may call back while the view is being taken down: nothing reaches the host
    // once it is going.
    const std::shared_ptr<bool> alive = host_->alive;
    auto* view = new HostView(surface, [this, alive](QPoint screen) {
        if (*alive) OnContextMenu(screen);
    });
    host_->view = view;
    host_->page = new HostPage(QWebEngineProfile::defaultProfile(), view,
                               [this, alive](const QUrl& url, bool mainFrame, bool userGesture) {
                                   return *alive && AcceptNavigation(url, mainFrame, userGesture);
                               });
    view->setPage(host_->page);
    QObject::connect(host_->page, &QWebEnginePage::loadFinished, view, [this, alive](bool ok) {
        if (*alive && host_->page) OnLoadFinished(host_->page->url(), ok);
    });
    QObject::connect(host_->page, &QWebEnginePage::renderProcessTerminated, view,
                     [this, alive](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                         if (*alive && status != QWebEnginePage::NormalTerminationStatus)
                             OnRendererGone();
                     });
    QObject::connect(host_->page, &QWebEnginePage::newWindowRequested, view,
                     [this, alive](QWebEngineNewWindowRequest& request) {
                         // The request is not taken up: no second view ever opens.
                         if (*alive) OnNewWindow(request.requestedUrl());
                     });
    const QPoint origin = root->ClientOrigin();
    view->setGeometry(rect.left + origin.x(), rect.top + origin.y(), rect.Width(), rect.Height());
    OnPageCreated();
    const HWND handle = CreateHandle(kClassName);
    if (!handle) {
        delete view;
        return nullptr;
    }
    // A new page is empty: nothing loads until Navigate.
    view->show();
    return handle;
}

bool CKesHtmlWnd::Navigate(const QUrl& url) {
    if (!host_->page) return false;
    host_->navigated = true;
    host_->loaded = false;
    host_->page->load(url);
    return true;
}

bool CKesHtmlWnd::RunScript(const QString& code, std::function<void(const QVariant&)> done) {
    if (!host_->page) return false;
    host_->queue.push_back({code, std::move(done)});
    if (host_->loaded) FlushQueue();
    return true;
}

bool CKesHtmlWnd::CallFunction(const QString& name, const QString& argument,
                               std::function<void(const QString&)> done) {
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_$][A-Za-z0-9_$]*$"));
    if (!identifier.match(name).hasMatch()) return false;
    // The argument travels as a JSON string, so that no text can leave it.
    const QString quoted =
        QString::fromUtf8(
            QJsonDocument(QJsonArray{QJsonValue(argument)}).toJson(QJsonDocument::Compact))
            .mid(1)
            .chopped(1);
    const QString code =
        QStringLiteral(
            "(function(){try{var f=window['%1'];"
            "return typeof f==='function'?String(f(%2)):'';}catch(e){return '';}})()")
            .arg(name, quoted);
    return RunScript(code, [done = std::move(done)](const QVariant& result) {
        if (done) done(result.toString());
    });
}

void CKesHtmlWnd::FlushQueue() {
    HostPage* page = host_->page.data();
    while (page && !host_->queue.empty()) {
        Host::Script script = std::move(host_->queue.front());
        host_->queue.pop_front();
        if (!script.done) {
            page->runJavaScript(script.code);
            continue;
        }
        page->runJavaScript(script.code, [alive = host_->alive,
                                          done = std::move(script.done)](const QVariant& result) {
            if (*alive) done(result);
        });
    }
}

bool CKesHtmlWnd::PageLoaded() const {
    return host_->loaded;
}

int CKesHtmlWnd::QueuedScripts() const {
    return static_cast<int>(host_->queue.size());
}

QWebEnginePage* CKesHtmlWnd::Page() const {
    return host_->page.data();
}

QWidget* CKesHtmlWnd::NativeWidget() {
    return host_->view.data();
}

bool CKesHtmlWnd::ProcessWindowMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    if (message == WM_DESTROY) {
        *host_->alive = false;
        host_->alive = std::make_shared<bool>(true);
        host_->queue.clear();
        Retire(host_->view.data());
        host_->view = nullptr;
        host_->page = nullptr;
        host_->loaded = false;
        host_->navigated = false;
        return true;
    }
    return false;
}

bool CKesHtmlWnd::AcceptNavigation(const QUrl&, bool, bool) {
    return true;
}

void CKesHtmlWnd::OnNewWindow(const QUrl&) {}

void CKesHtmlWnd::OnLoadFinished(const QUrl&, bool) {
    if (!host_->navigated) return;
    // A page that failed to load (with error pages off its address stays empty) still takes the
    // waiting scripts: they fail there quietly instead of waiting for ever.
    host_->loaded = true;
    FlushQueue();
}

void CKesHtmlWnd::OnContextMenu(QPoint) {}
