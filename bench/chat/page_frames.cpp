#include "bench/chat/page_frames.h"

#include <QObject>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "ui/web/html_view.h"

namespace bench {

namespace {

// One frame per change however many records it makes; the title is new every time, so that
// every frame is heard.
constexpr char kWatch[] =
    "(function(){var list=document.getElementById('conversation');var frames=0;var due=false;"
    "new MutationObserver(function(){if(due)return;due=true;"
    "requestAnimationFrame(function(){due=false;document.title='frame '+(++frames);});})"
    ".observe(list,{childList:true});})()";

}  // namespace

PageFrames::PageFrames(CKesHtmlWnd& view) : context_(std::make_unique<QObject>()) {
    auto* widget = qobject_cast<QWebEngineView*>(view.NativeWidget());
    if (!widget || !widget->page()) return;
    QObject::connect(widget->page(), &QWebEnginePage::titleChanged, context_.get(),
                     [this](const QString& title) {
                         if (!title.startsWith(QLatin1String("frame "))) return;
                         last_ = Clock::now();
                         ++count_;
                     });
    view.RunScript(QString::fromLatin1(kWatch));
}

PageFrames::~PageFrames() = default;

}  // namespace bench
