#include "ui/prompts/dlg_suggest.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "platform/window.h"
#include "storage/image_cache.h"
#include "storage/user_store.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/prompts/suggest_style.h"
#include "ui/ui_messages.h"

namespace ss = suggest_style;

namespace {

CDlgSuggest* g_instance = nullptr;

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// The picker lives beside the keyboard's window and never takes the keyboard from it.
void KeepKeyboardAway(QWidget* widget) {
    if (!widget) return;
    widget->setFocusPolicy(Qt::NoFocus);
    if (widget->isWindow()) {
        // A tool tip's kind of window: window systems neither activate it nor give it the
        // keyboard when it shows or is clicked, and keep it above the window it belongs to.
        widget->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus);
        widget->setAttribute(Qt::WA_ShowWithoutActivating);
    }
}

// While the popup shows: a press of a mouse button on any of the client's widgets, and every move
// of the keyboard between widgets (also to none, when another program takes it).
class OfferWatcher final : public QObject {
  public:
    using Press = std::function<void(QWidget* widget)>;
    using FocusMove = std::function<void(QWidget* old, QWidget* now)>;

    OfferWatcher(Press press, FocusMove move) : press_(std::move(press)) {
        connect(qApp, &QApplication::focusChanged, this,
                [this, move = std::move(move)](QWidget* old, QWidget* now) {
                    if (armed_) move(old, now);
                });
    }
    void Arm(bool on) {
        if (on == armed_) return;
        armed_ = on;
        if (on) {
            qApp->installEventFilter(this);
        } else {
            qApp->removeEventFilter(this);
        }
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (armed_ &&
            (type == QEvent::MouseButtonPress || type == QEvent::NonClientAreaMouseButtonPress) &&
            watched->isWidgetType()) {
            press_(static_cast<QWidget*>(watched));
        }
        return false;
    }

  private:
    Press press_;
    bool armed_ = false;
};

}  // namespace

CDlgSuggest& CDlgSuggest::Instance() {
    if (!g_instance) g_instance = new CDlgSuggest;
    return *g_instance;
}

void CDlgSuggest::DestroyInstance() {
    delete g_instance;
    g_instance = nullptr;
}

CDlgSuggest::CDlgSuggest()
    : find_([](const std::string& qxid) -> const UserRecord* {
          return CDBUser::Instance().Find(qxid);
      }) {}

CDlgSuggest::~CDlgSuggest() {
    StopFiltering();
    watcher_.reset();
    if (IsWindow()) DestroyWindow();
}

HWND CDlgSuggest::Create(HWND mainWindow) {
    if (IsWindow()) return m_hWnd;
    const HWND hwnd = VWindowImpl::Create(
        mainWindow, UiRect::FromSize(0, 0, ss::kWidth, ss::kRowHeight), QStringLiteral("@"));
    KeepKeyboardAway(Widget());
    return hwnd;
}

bool CDlgSuggest::OnWindowMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
    switch (message) {
        case WM_CREATE:
            list_.SetRowHeight(ss::kRowHeight);
            list_.Create(m_hWnd, GetClientRect());
            list_.SetOpaque(true);  // every row fills itself
            KeepKeyboardAway(list_.Widget());
            bar_.CreateSkinned(m_hWnd, list_);
            KeepKeyboardAway(bar_.Widget());
            return false;
        case WM_SIZE:
            if (list_.IsWindow()) {
                list_.MoveWindow(0, 0, ClientWidth(), ClientHeight());
                bar_.Place();
            }
            return false;
        case WM_DESTROY:
            StopFiltering();
            watcher_.reset();
            return false;
        default:
            return false;
    }
}

void CDlgSuggest::DoUI(UiContext& ctx) {
    // The list covers the whole popup.
    UiRegion root(ctx);
    UiFill(root, ctx.client, ss::kEvenRow);
}

void CDlgSuggest::Show(HWND owner, const std::vector<std::string>& memberIds, QPoint screenPoint) {
    if (!IsWindow()) return;
    if (memberIds.empty()) {
        Hide();
        return;
    }
    owner_ = owner;
    box_ = QApplication::focusWidget();
    ids_ = memberIds;
    chosenId_.clear();
    chosenName_.clear();
    selection_ = 0;
    list_.SetCount(RowCount());
    list_.SetTopIndex(0);

    const int height = std::min(RowCount(), ss::kMostRowsShown) * ss::kRowHeight;
    QRect place(screenPoint.x(), screenPoint.y() + ss::kBelowPoint, ss::kWidth, height);
    const QScreen* screen = QGuiApplication::screenAt(screenPoint);
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
        // Kept on the screen; with no room below the caret it opens above it.
        const QRect area = screen->availableGeometry();
        if (place.bottom() > area.bottom()) place.moveBottom(screenPoint.y() - 1);
        place.moveLeft(std::clamp(place.left(), area.left(), area.right() + 1 - place.width()));
        place.moveTop(std::clamp(place.top(), area.top(), area.bottom() + 1 - place.height()));
    }
    SetWindowPos(HWND_TOPMOST, place.left(), place.top(), place.width(), place.height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    bar_.Synchronise();
    list_.Invalidate(false);
    StartFiltering();
}

void CDlgSuggest::Hide() {
    StopFiltering();
    if (IsWindow()) ShowWindow(SW_HIDE);
}

const UserRecord* CDlgSuggest::FindMember(int index) const {
    if (index < 0 || index >= RowCount() || !find_) return nullptr;
    return find_(ids_[static_cast<std::size_t>(index)]);
}

void CDlgSuggest::Select(int index) {
    if (RowCount() == 0) return;
    selection_ = std::clamp(index, 0, RowCount() - 1);
    const int top = list_.GetTopIndex();
    if (selection_ < top) {
        list_.SetTopIndex(selection_);
    } else if (selection_ >= top + ss::kMostRowsShown) {
        list_.SetTopIndex(selection_ - ss::kMostRowsShown + 1);
    }
    list_.Invalidate(false);
}

void CDlgSuggest::Pick(int index) {
    const VWindow owner(owner_);
    if (const UserRecord* user = FindMember(index)) {
        chosenId_ = user->qxid;
        chosenName_ = FromUtf8(user->name);
        owner.SendMessage(UM_MENTION_CHOSEN, kMentionPicked, 0);
    }
    owner.PostMessage(UM_MENTION_CHOSEN, kMentionDone, 0);
    Hide();
}

void CDlgSuggest::Cancel() {
    Hide();
    VWindow(owner_).PostMessage(UM_MENTION_CHOSEN, kMentionDone, 0);
}

bool CDlgSuggest::OnPopup(const QWidget* widget) const {
    const QWidget* popup = Widget();
    return widget && popup && widget->window() == popup->window();
}

bool CDlgSuggest::InOwner(const QWidget* widget) const {
    platform::Window* owner = platform::WindowFromHandle(owner_);
    const QWidget* surface = owner ? owner->NativeWidget() : nullptr;
    return widget && surface && (widget == surface || surface->isAncestorOf(widget));
}

void CDlgSuggest::FocusMoved(const QWidget* old, const QWidget* now) {
    if (!IsWindowVisible() || now == box_ || OnPopup(now)) return;
    // The box lost the keyboard (to another widget, another window or another program); or, when
    // the offer was made with no keyboard in the client, the keyboard went to another window.
    if ((box_ && old == box_) || (!box_ && !InOwner(now))) Cancel();
}

bool CDlgSuggest::PreTranslateMessage(MSG& msg) {
    // Only keys typed into the window the offer was made to move and pick in the list.
    if (msg.message != WM_KEYDOWN || !IsWindowVisible() || msg.hwnd != owner_) return false;
    switch (msg.wParam) {
        case VK_UP:
            Select(selection_ - 1);
            return true;
        case VK_DOWN:
            Select(selection_ + 1);
            return true;
        case VK_RETURN:
            Pick(selection_);
            return true;
        case VK_ESCAPE:
            Cancel();
            return true;
        default:
            return false;
    }
}

void CDlgSuggest::StartFiltering() {
    if (!watcher_) {
        watcher_ = std::make_unique<OfferWatcher>(
            [this](QWidget* pressed) {
                if (IsWindowVisible() && !OnPopup(pressed)) Cancel();
            },
            [this](QWidget* old, QWidget* now) { FocusMoved(old, now); });
    }
    static_cast<OfferWatcher*>(watcher_.get())->Arm(true);
    if (filtering_) return;
    filtering_ = platform::GetMessageLoop();
    if (filtering_) filtering_->AddMessageFilter(this);
}

void CDlgSuggest::StopFiltering() {
    if (watcher_) static_cast<OfferWatcher*>(watcher_.get())->Arm(false);
    if (!filtering_) return;
    // The loop may have gone before the popup (the program is ending).
    if (platform::GetMessageLoop() == filtering_) filtering_->RemoveMessageFilter(this);
    filtering_ = nullptr;
}

QString CDlgSuggest::RowName(int index) {
    const UserRecord* user = FindMember(index);
    return user ? FromUtf8(user->name) : QString();
}

void CDlgSuggest::DrawRow(UiContext& ctx, int index, const UiRect& rect) {
    UiRegion root(ctx);
    const bool chosen = index == selection_ || index == list_.HoverRow();
    UiFill(root, rect, chosen ? ss::kChosenRow : index % 2 ? ss::kOddRow : ss::kEvenRow);
    if (UiHitArea(root, rect)) ctx.Later([this, index] { Pick(index); });

    const UserRecord* user = FindMember(index);
    const int avatarTop = rect.top + (rect.Height() - ss::kAvatarSize) / 2;
    const UiRect avatar =
        UiRect::FromSize(rect.left + ss::kAvatarLeft, avatarTop, ss::kAvatarSize, ss::kAvatarSize);
    CKesBitmap& fallback = SkinImage("main_icon_default.png");
    if (user && !user->avatar.empty()) {
        pictures_.Draw(root, avatar, user->avatar, kSmallAvatarPixels, fallback);
    } else {
        UiImage(root, avatar, fallback);
    }
    if (!user) return;
    const UiRect name(avatar.right + ss::kNameGap, rect.top, rect.right - ss::kNameRightPadding,
                      rect.bottom);
    UiLabel(root, name, FromUtf8(user->name), &TextFont(ss::kNamePixels), ss::kName, DT_VCENTER);
}
