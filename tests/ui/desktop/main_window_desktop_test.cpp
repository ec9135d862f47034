// The main window on a real desktop (Xvfb with the openbox window manager and the xcompmgr
// compositing manager), driven through the real pointer and keyboard: the dialogs it opens stand
// above it and take the keyboard, a revoked sign-in is told once and leads to the password, the
// window docks at the top edge and slides out of sight and back, and made taller it (or a profile
// grown to show its details) takes presses in its new part.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <set>

#include "api/api_controller.h"
#include "api/login.h"
#include "api/sign_in.h"
#include "tests/support/build_tree.h"
#include "tests/support/desktop_windows.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/main_window_client.h"
#include "tests/support/real_input.h"
#include "toolkit/window/window_surface.h"
#include "ui/edit/edit_ex.h"
#include "ui/profile/dlg_user_detail.h"
#include "ui/prompts/dlg_about.h"
#include "ui/prompts/dlg_close_notify.h"
#include "ui/prompts/dlg_setting.h"
#include "ui/prompts/message_box.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;

class MainWindowDesktopTest : public MainWindowClientTest {
  protected:
    // What the screen shows around the windows (their shadows too), as a picture of the
    // screenshots folder.
    static void SaveScreen(const QString& name, std::initializer_list<const QWidget*> windows) {
        PumpUntil([] { return false; }, 600ms);
        QRect around;
        for (const QWidget* window : windows)
            around |= window->frameGeometry();
        const QImage screen = real_input::Screen();
        const qreal scale = screen.devicePixelRatio();
        const QRect part = QRect(around.topLeft() * scale, around.size() * scale)
                               .adjusted(-12, -12, 12, 12)
                               .intersected(screen.rect());
        QDir().mkpath(QString::fromUtf8(build::ScreenshotDir()));
        EXPECT_TRUE(screen.copy(part).save(QString::fromUtf8(build::ScreenshotDir()) +
                                           QStringLiteral("/") + name + QStringLiteral(".png")));
    }

    // Signed in, the main window shown and taken over by the window manager.
    void SignInOnDesktop() {
        SignInDemo();
        // Clear of the screen's edges, as a person keeps it.
        const UiRect at = Main().GetWindowRect();
        Main().MoveWindow(300, 120, at.Width(), at.Height());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Main().Widget()));
        ASSERT_TRUE(PumpUntil([] { return desktop::StackIndex(Main().Widget()) >= 0; }, 5s));
    }

    // Once the dialog is up: it stands above the main window in the window manager's stack and
    // has the keyboard; then Escape on the real keyboard closes it.
    // With a name, the screen around both windows is kept as that picture.
    template <class T>
    void CheckOnTopAndEscape(bool& checked, const QString& picture = QString()) {
        WhenShown<T>([&checked, picture](T& dialog) {
            QWidget* widget = dialog.Widget();
            ASSERT_NE(widget, nullptr);
            PumpUntil(
                [&] {
                    return desktop::StackIndex(widget) > desktop::StackIndex(Main().Widget()) &&
                           desktop::Focused() == widget->internalWinId();
                },
                5s);
            EXPECT_GT(desktop::StackIndex(widget), desktop::StackIndex(Main().Widget()))
                << T::WindowClassName() << " opened under the main window";
            EXPECT_EQ(desktop::Focused(), widget->internalWinId())
                << T::WindowClassName() << " does not have the keyboard";
            checked = true;
            if (!picture.isEmpty()) SaveScreen(picture, {Main().Widget(), widget});
            EXPECT_TRUE(real_input::Key(QStringLiteral("Escape")));
        });
    }
};

TEST_F(MainWindowDesktopTest, DialogsOpenAboveTheMainWindowAndTakeTheKeyboard) {
    SignInOnDesktop();
    ASSERT_TRUE(Main().Widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    bool settings = false;
    CheckOnTopAndEscape<CDlgSetting>(settings, QStringLiteral("main-window-settings"));
    Main().RunCommand(MainCommand::Settings);
    EXPECT_TRUE(settings);

    bool about = false;
    CheckOnTopAndEscape<CDlgAbout>(about);
    Main().RunCommand(MainCommand::About);
    EXPECT_TRUE(about);

    bool question = false;
    CheckOnTopAndEscape<CDlgCloseNotify>(question);
    Main().SendMessage(WM_CLOSE);
    EXPECT_TRUE(question);
    EXPECT_TRUE(Main().IsWindowVisible()) << "Escape keeps the window";
}

// The service revokes the sign-in while the person types a search: every later presence report
// (one each 30 seconds) meets the revoked token again. One box tells it, above the main window
// and with the keyboard; its 确定, clicked with the real pointer, closes it; then the login page
// comes with the account kept and the keyboard in the password box.
TEST_F(MainWindowDesktopTest, ARevokedSignInIsToldByOneBoxOnTopThenThePasswordIsAskedFor) {
    SignInOnDesktop();
    CEditEx* search = Main().SearchBox();
    ASSERT_NE(search, nullptr);
    ASSERT_TRUE(real_input::Click(search->mapToGlobal(search->rect().center())));
    ASSERT_TRUE(real_input::Type(QStringLiteral("zh")));
    ASSERT_TRUE(PumpUntil([&] { return search->text() == QStringLiteral("zh"); }, 5s));

    // The boxes shown at once, at most, and every box seen.
    std::size_t mostAtOnce = 0;
    std::set<HWND> seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        std::size_t shown = 0;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* surface = qobject_cast<VSurface*>(widget);
            auto* box = surface ? dynamic_cast<CDlgMesssageBox*>(surface->Root()) : nullptr;
            if (!box || !widget->isVisible()) continue;
            ++shown;
            seen.insert(box->m_hWnd);
        }
        mostAtOnce = std::max(mostAtOnce, shown);
    });
    watch.start(20);

    service_.Get("/admin/revoke?qxid=" + CDBLogin::Instance().Record().qxid + "&code=20001");
    // Three presence reports, as three 30-second periods would make them.
    CApiController& controller = CApiController::Instance();
    for (int report = 0; report < 3; ++report) {
        QTimer::singleShot(400 * report, [&controller] {
            CAsyncWorkFlow::CancelFlow(&controller.presenceHeartbeat);
            StartPresenceHeartbeat();
        });
    }
    // Once the three reports are answered: the box is above the main window and has the
    // keyboard; its 确定 is clicked.
    bool clicked = false;
    QElapsedTimer sinceRevoked;
    sinceRevoked.start();
    QTimer act;
    QObject::connect(&act, &QTimer::timeout, [&] {
        auto* box = dynamic_cast<CDlgMesssageBox*>(platform::WindowFromHandle(
            platform::FindWindowByClass(CDlgMesssageBox::WindowClassName())));
        if (!box || sinceRevoked.elapsed() < 2500) return;
        act.stop();
        EXPECT_TRUE(box->MainText().endsWith(QStringLiteral("(错误码: 20001)")));
        QWidget* widget = box->Widget();
        PumpUntil(
            [&] {
                return desktop::StackIndex(widget) > desktop::StackIndex(Main().Widget()) &&
                       desktop::Focused() == widget->internalWinId();
            },
            5s);
        EXPECT_GT(desktop::StackIndex(widget), desktop::StackIndex(Main().Widget()));
        EXPECT_EQ(desktop::Focused(), widget->internalWinId()) << "the box has the keyboard";
        for (const UiNode& node : box->Describe()) {
            if (node.role != UiRole::Button || node.name != QStringLiteral("确定")) continue;
            const QPoint centre((node.rect.left + node.rect.right) / 2,
                                (node.rect.top + node.rect.bottom) / 2);
            clicked = real_input::Click(box->ClientToScreen(centre));
        }
    });
    act.start(100);
    ASSERT_TRUE(PumpUntil(
        [&] {
            return clicked && !Main().SignedIn() && Login()->IsWindowVisible() &&
                   !platform::FindWindowByClass(CDlgMesssageBox::WindowClassName());
        },
        20s))
        << (clicked ? "the box stayed or the login page did not come"
                    : "no box told of the revoked sign-in");
    PumpUntil([] { return false; }, 1500ms);  // a report still on its way would open a box now
    watch.stop();
    EXPECT_EQ(mostAtOnce, 1u) << "boxes stacked";
    EXPECT_EQ(seen.size(), 1u) << "the same news told again";
    EXPECT_FALSE(platform::FindWindowByClass(CDlgMesssageBox::WindowClassName()));

    // The login page has the keyboard, in the password box; the account is kept.
    ASSERT_TRUE(
        PumpUntil([] { return desktop::Focused() == Login()->Widget()->internalWinId(); }, 5s))
        << "the login page does not have the keyboard";
    EXPECT_EQ(QApplication::focusWidget(), Login()->PasswordBox());
    const QString kept = Login()->PasswordBox()->text();
    ASSERT_TRUE(real_input::Type(QStringLiteral("abc")));
    ASSERT_TRUE(PumpUntil(
        [&] { return Login()->PasswordBox()->text() == kept + QStringLiteral("abc"); }, 5s));
    EXPECT_EQ(Login()->AccountBox()->text(), QStringLiteral("demo"));
}

// How much of the main window the screen shows, in rows (docked to the top, it slides up).
int RowsOnScreen() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const UiRect window = CMainWnd::Instance().GetWindowRect();
    return std::max(0, std::min(window.bottom, screen.bottom() + 1) - std::max(window.top, 0));
}

// Dragged with the real pointer to the top of the screen, the window docks there; once the
// pointer leaves it slides up until one strip stays on screen, and it comes back when the pointer
// touches the strip. The window manager keeps ordinary windows from moving themselves off the
// screen: what is out of sight must really be out of sight, and what is back must take clicks.
TEST_F(MainWindowDesktopTest, DraggedToTheTopEdgeItDocksSlidesOutOfSightAndBackIn) {
    SignInOnDesktop();
    ASSERT_TRUE(Main().Dock().Enabled());
    const UiRect before = Main().GetWindowRect();
    // A bare spot of the title area, left of the avatar's frame.
    const QPoint grip = Main().ClientToScreen(QPoint(50, 12));
    ASSERT_TRUE(real_input::Drag(grip, QPoint(grip.x(), 5)));
    ASSERT_TRUE(PumpUntil([] { return Main().Dock().Edge() == DockEdge::Top; }, 5s));
    ASSERT_TRUE(PumpUntil([] { return Main().GetWindowRect().top <= 0; }, 5s))
        << "the window stopped at " << Main().GetWindowRect().top;

    // The pointer goes elsewhere: the window slides up out of sight.
    ASSERT_TRUE(real_input::MoveTo(QPoint(1200, 600)));
    ASSERT_TRUE(PumpUntil([] { return RowsOnScreen() <= 2; }, 15s))
        << RowsOnScreen() << " rows of the window stay on screen";
    EXPECT_TRUE(Main().IsWindowVisible());
    // What the window covered shows the desktop again.
    PumpUntil([] { return false; }, 300ms);
    const QImage screen = real_input::Screen();
    const QPoint middle(before.left + before.Width() / 2, 300);
    EXPECT_EQ(screen.pixelColor(real_input::Physical(middle)),
              screen.pixelColor(real_input::Physical(QPoint(1200, 300))))
        << "the window is still drawn where it slid away from";

    // The pointer touches the strip: the window slides back, whole, and takes clicks.
    ASSERT_TRUE(real_input::MoveTo(QPoint(before.left + before.Width() / 2, 0)));
    ASSERT_TRUE(PumpUntil([&] { return RowsOnScreen() >= before.Height() - 2; }, 15s))
        << RowsOnScreen() << " rows of the window are back";
    // A hand reaches for the tab once the window has stopped moving: the window manager and the
    // X server have taken its last place by then, also on a busy machine.
    PumpUntil([] { return false; }, 500ms);
    UiRect tab;
    for (const UiNode& node : Main().Describe())
        if (node.name == QStringLiteral("联系人")) tab = node.rect;
    ASSERT_FALSE(tab.IsEmpty());
    ASSERT_TRUE(real_input::Click(
        Main().ClientToScreen(QPoint((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2))));
    EXPECT_TRUE(PumpUntil([] { return Main().CurrentPage() == MainPage::Contacts; }, 5s))
        << "the contacts tab did not take the click";
}

// Notes the presses any widget of a window gets, wherever in it.
class PressSpy : public QObject {
  public:
    explicit PressSpy(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
    ~PressSpy() override { qApp->removeEventFilter(this); }
    std::vector<QPoint> presses;  // screen points

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::MouseButtonPress && widget && widget->window() == window_)
            presses.push_back(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return false;
    }

  private:
    QWidget* window_;
};

// Made taller by dragging its bottom edge with the real pointer, the main window takes presses
// in the part it grew by.
TEST_F(MainWindowDesktopTest, MadeTallerTheMainWindowTakesPressesInItsNewPart) {
    SignInOnDesktop();
    const UiRect before = Main().GetWindowRect();
    const QPoint edge(before.left + before.Width() / 2, before.bottom - 2);
    // One long pull, as a quick hand makes it.
    ASSERT_TRUE(desktop::DragSlowly(edge, edge + QPoint(0, 150), 1));
    ASSERT_TRUE(
        PumpUntil([&] { return Main().GetWindowRect().Height() >= before.Height() + 140; }, 5s))
        << "the window is " << Main().GetWindowRect().Height() << " high";
    PumpUntil([] { return false; }, 300ms);
    const UiRect taller = Main().GetWindowRect();
    PressSpy spy(Main().Widget());
    const QPoint newPart(taller.left + taller.Width() / 2, taller.bottom - 40);
    ASSERT_TRUE(real_input::Click(newPart));
    EXPECT_TRUE(PumpUntil([&] { return !spy.presses.empty(); }, 3s))
        << "the press went through the window";
}

// The middle of the element of that name on the screen, in the window or its content; a null
// point when neither shows it.
QPoint OnScreen(CDlgUserDetail& profile, const QString& name) {
    for (VWindowImplRoot* window : {static_cast<VWindowImplRoot*>(&profile.Content()),
                                    static_cast<VWindowImplRoot*>(&profile)}) {
        for (const UiNode& node : window->Describe()) {
            if (node.name == name) {
                return window->ClientToScreen(QPoint((node.rect.left + node.rect.right) / 2,
                                                     (node.rect.top + node.rect.bottom) / 2));
            }
        }
    }
    return QPoint();
}

// A profile opened with the real pointer grows to show its details, and its "收起" in the part
// it grew by takes the click.
TEST_F(MainWindowDesktopTest, AnExpandedProfileCollapsesFromItsNewPart) {
    SignInOnDesktop();
    const HWND hwnd = Main().OpenProfileWindow("10002");
    auto* profile = dynamic_cast<CDlgUserDetail*>(platform::WindowFromHandle(hwnd));
    ASSERT_NE(profile, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(profile->Widget()));
    ASSERT_TRUE(PumpUntil([&] { return !profile->Fetching() && profile->CanExpand(); }, 10s));
    ASSERT_TRUE(PumpUntil([&] { return desktop::StackIndex(profile->Widget()) >= 0; }, 5s));
    PumpUntil([] { return false; }, 300ms);
    const UiRect collapsed = profile->GetWindowRect();
    const QPoint expand = OnScreen(*profile, QStringLiteral("展开"));
    ASSERT_FALSE(expand.isNull());
    ASSERT_TRUE(real_input::Click(expand));
    ASSERT_TRUE(PumpUntil([&] { return profile->Expanded(); }, 5s)) << "展开 took no click";
    ASSERT_TRUE(
        PumpUntil([&] { return profile->GetWindowRect().Height() > collapsed.Height() + 40; }, 5s));
    PumpUntil([] { return false; }, 300ms);
    const QPoint collapse = OnScreen(*profile, QStringLiteral("收起"));
    ASSERT_FALSE(collapse.isNull());
    ASSERT_GT(collapse.y(), collapsed.bottom) << "收起 is in the part the window grew by";
    ASSERT_TRUE(real_input::Click(collapse));
    EXPECT_TRUE(PumpUntil([&] { return !profile->Expanded(); }, 5s))
        << "the press on 收起 went through the window";
    profile->DestroyWindow();
}

}  // namespace
}  // namespace lumeno::test
