#include <QJsonArray>
#include <QJsonDocument>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWidget>
#include <chrono>

#include "config/log.h"
#include "conversation/message_items.h"
#include "conversation/page_links.h"
#include "platform/shell_open.h"
#include "toolkit/skin/skin_directory.h"
#include "ui/common/popup_menu.h"
#include "ui/ui_messages.h"
#include "ui/web/html_view.h"

namespace {

// Posted to the view itself: a click of the page waits for the engine's call to return before
// it is offered to the owner, so that whatever the owner does (a message box, closing the
// window) never runs inside the engine's navigation check.
UINT OfferMessage() {
    static const UINT message = platform::RegisterWindowMessage("LumenoWebViewOffer");
    return message;
}

bool IsPseudoUrl(const QUrl& url) {
    return url.scheme() == QLatin1String("http") && IsLinkHost(url.host().toStdString());
}

std::int64_t NowMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

HWND CQVHtmlViewEx::Create(HWND owner, const UiRect& rect) {
    owner_ = owner;
    loading_ = true;
    locked_ = false;
    createdAt_ = NowMilliseconds();
    return CKesHtmlWnd::Create(owner, rect);
}

void CQVHtmlViewEx::OnPageCreated() {
    QWebEngineSettings* settings = Page()->settings();
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    // The page is a local file that shows avatars and pictures from the service.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    // Files dropped on the view are not opened.
    if (QWidget* view = NativeWidget()) view->setAcceptDrops(false);
}

bool CQVHtmlViewEx::NavigateToConversationPage() {
    return Navigate(
        QUrl::fromLocalFile(SkinDirectory() + QStringLiteral("/qxstc-ie6fix/index.html")));
}

bool CQVHtmlViewEx::AcceptNavigation(const QUrl& url, bool mainFrame, bool) {
    if (IsPseudoUrl(url)) {
        Offer(url);
        return false;
    }
    // Until the conversation page has loaded, only the page itself (and the empty page the view
    // starts on) may load; after that the page stays where it is.
    if (locked_ || !mainFrame) return false;
    return url.isLocalFile() || url.scheme() == QLatin1String("about");
}

void CQVHtmlViewEx::OnNewWindow(const QUrl& url) {
    if (IsPseudoUrl(url)) {
        Offer(url);
        return;
    }
    // Only web addresses leave the page, and only for the desktop's browser.
    platform::OpenWebAddress(url.toString(QUrl::FullyEncoded).toStdString());
}

void CQVHtmlViewEx::OnLoadFinished(const QUrl& url, bool ok) {
    CKesHtmlWnd::OnLoadFinished(url, ok);
    if (loading_ && url.toString().size() > 12 && url.scheme() != QLatin1String("about")) {
        loading_ = false;
        locked_ = true;
        ReadScroll();
    }
}

void CQVHtmlViewEx::OnContextMenu(QPoint screen) {
    QWebEnginePage* page = Page();
    if (!page) return;
    const bool selection = page->hasSelection();
    const int command = TrackPopup(Handle(),
                                   {{kCommandCopy, QStringLiteral("复制(&C)"), selection},
                                    {kCommandSelectAll, QStringLiteral("全选(&A)"), !selection}},
                                   screen.x(), screen.y());
    page = Page();  // the view may have gone while the menu was open
    if (!page) return;
    if (command == kCommandCopy) page->triggerAction(QWebEnginePage::Copy);
    if (command == kCommandSelectAll) page->triggerAction(QWebEnginePage::SelectAll);
}

void CQVHtmlViewEx::OnRendererGone() {
    WriteLogText("the conversation page's renderer ended");
    platform::PostMessage(owner_, UM_WEB_PAGE_GONE, 0, 0);
}

void CQVHtmlViewEx::Offer(const QUrl& url) {
    offers_.push_back(url);
    platform::PostMessage(Handle(), OfferMessage(), 0, 0);
}

bool CQVHtmlViewEx::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                         LRESULT& result) {
    if (message == OfferMessage()) {
        result = 0;
        if (offers_.empty()) return true;
        navigating_ = offers_.front();
        offers_.pop_front();
        platform::SendMessage(owner_, UM_WEB_NAVIGATE, 0, 0);
        navigating_.clear();
        return true;
    }
    if (message == WM_SETFOCUS) FocusDocument();
    if (message == WM_DESTROY) offers_.clear();
    return CKesHtmlWnd::ProcessWindowMessage(message, wParam, lParam, result);
}

void CQVHtmlViewEx::ReadScroll(std::function<void(const PageScroll&)> done) {
    const bool asked =
        RunScript(QStringLiteral("(function(){var d=document.documentElement;"
                                 "return [d.scrollTop,d.scrollHeight,d.clientHeight];})()"),
                  [this, done](const QVariant& result) {
                      const QVariantList values = result.toList();
                      if (values.size() == 3) {
                          scroll_.top = values[0].toInt();
                          scroll_.height = values[1].toInt();
                          scroll_.client = values[2].toInt();
                      }
                      if (done) done(scroll_);
                  });
    if (!asked && done) done(scroll_);
}

void CQVHtmlViewEx::FocusDocument() {
    if (QWidget* view = NativeWidget()) view->setFocus(Qt::OtherFocusReason);
}

void CQVHtmlViewEx::RunAndReadScroll(const QString& code) {
    RunScript(code);
    ReadScroll();
}

void CQVHtmlViewEx::ShowItems(const std::string& envelope) {
    RunAndReadScroll(QString::fromStdString(PageCall(envelope)));
}

void CQVHtmlViewEx::HasNoMore() {
    RunAndReadScroll(QStringLiteral("onHasMore(0)"));
}

void CQVHtmlViewEx::ScrollToEnd() {
    RunAndReadScroll(QStringLiteral("onScroll(1)"));
}

void CQVHtmlViewEx::ScrollTo(int offset) {
    RunAndReadScroll(QStringLiteral("onScroll(%1)").arg(offset));
}

void CQVHtmlViewEx::MarkSendFailed(std::int32_t localNumber, const QString& reason) {
    const QString quoted =
        QString::fromUtf8(QJsonDocument(QJsonArray{reason}).toJson(QJsonDocument::Compact))
            .mid(1)
            .chopped(1);
    RunAndReadScroll(QStringLiteral("onSendFailed(%1,%2)").arg(localNumber).arg(quoted));
}

void CQVHtmlViewEx::ShowVoiceState(std::int32_t messageId, VoiceState state, bool unread,
                                   const QString& reason) {
    const QString quoted =
        QString::fromUtf8(QJsonDocument(QJsonArray{reason}).toJson(QJsonDocument::Compact))
            .mid(1)
            .chopped(1);
    const char* name = state == VoiceState::kPlaying  ? "playing"
                       : state == VoiceState::kFailed ? "failed"
                                                      : "stopped";
    RunAndReadScroll(QStringLiteral("onVoiceState(%1,'%2',%3,%4)")
                         .arg(messageId)
                         .arg(QLatin1String(name))
                         .arg(unread ? 1 : 0)
                         .arg(quoted));
}
