#include "app/startup.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string_view>

#include "api/sign_in.h"
#include "api/update_check.h"
#include "app/component_tables.h"
#include "app/crash/crash_test_switch.h"
#include "app/crash/dbg_helper.h"
#include "config/log.h"
#include "flow/async_work_flow.h"
#include "platform/directories.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/private_files.h"
#include "platform/screen.h"
#include "platform/single_instance.h"
#include "platform/web_engine_sandbox.h"
#include "platform/window.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/wnd_shadow.h"
#include "ui/login/page_login.h"
#include "ui/main/main_wnd.h"
#include "ui/prompts/dlg_about.h"
#include "ui/prompts/update_prompt.h"
#include "util/component_registry.h"
#include "util/user_messages.h"

namespace lumeno::app {
namespace {

// A second instance hands the request to show the main window to the first and leaves.
void ForwardToFirstInstance() {
    platform::SendToFirstInstance(CMainWnd::kClassName, UM_SHOW_MAIN);
}

bool SkinDirectoryPresent() {
    return platform::IsDirectory(platform::ProgramSkinDirectory());
}

// The main window's first place: 300 x 666, 60 pixels in from the right of the primary screen.
void FirstMainWindowRect(int& left, int& top, int& right, int& bottom) {
    const int screenWidth = platform::PrimaryScreenRect().Width();
    left = screenWidth - 360;
    top = 60;
    right = screenWidth - 60;
    bottom = 726;
}

// "--first-frame-exit": the program ends once the login page has drawn its first frame (the
// start-up benchmark measures that far).
class FirstFrameExit final : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            QTimer::singleShot(0, [] { platform::PostQuitMessage(0); });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool done_ = false;
};

bool HasOption(int argc, char** argv, std::string_view option) {
    for (int i = 1; i < argc; ++i) {
        if (option == argv[i]) return true;
    }
    return false;
}

void RunUi(bool firstFrameExit, const ExtraWindows& extra) {
    platform::CMessageLoop loop;
    platform::AddMessageLoop(&loop);

    int left, top, right, bottom;
    FirstMainWindowRect(left, top, right, bottom);
    CMainWnd& mainWindow = CMainWnd::Instance();
    if (const HWND window = mainWindow.Create(left, top, right, bottom)) {
        if (extra.create) extra.create();
        InstallUpdateChecker();
        StartBackgroundUpdateCheck(window);
        // The window starts hidden and shows the login page. Later instances knock here once the
        // window exists to receive the knock.
        platform::InstanceChannel channel;
        channel.Listen(CMainWnd::kClassName, UM_SHOW_MAIN, [](UINT message) {
            WriteLogText("another instance asks to show the main window");
            platform::PostMessage(platform::FindWindowByClass(CMainWnd::kClassName), message, 0, 0);
        });
        FirstFrameExit exitAfterFrame;
        if (firstFrameExit && mainWindow.LoginPage() && mainWindow.LoginPage()->Widget())
            mainWindow.LoginPage()->Widget()->installEventFilter(&exitAfterFrame);
        loop.Run();
    }
    platform::RemoveMessageLoop();
}

// Under Wayland the client runs on XWayland unless the user chose a platform: placing windows,
// edge docking and the tray need X11.
void PreferX11(int argc, char** argv) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "-platform") return;
    }
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

}  // namespace

void InstallUpdateChecker() {
    SetUpdateCheckHooks({[](FlowHandle* handle, HWND owner, UpdateReport report) {
                             return StartUpdateCheck(handle, std::move(report), owner);
                         },
                         [] { return HasNewerVersion(); }});
    SetUpdateSeams({&AskToInstallUpdate, &TellInstallerFailed, &LeaveForInstaller});
}

void LeaveForInstaller() {
    // After the flow that asked has ended: the modal loops unwind first.
    QTimer::singleShot(0, [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() && widget->isModal()) widget->close();
        }
        QTimer::singleShot(0, [] { CMainWnd::Instance().Quit(); });
    });
}

int RunClient(int argc, char** argv, ExtraWindows extra) {
    // 1. One instance per user.
    platform::InstanceLock instanceLock;
    if (instanceLock.Acquire(kInstanceMutexName) == platform::InstanceLock::Result::HeldElsewhere) {
        ForwardToFirstInstance();
        return 0;
    }

    PreferX11(argc, argv);
    const platform::WebEngineSandbox sandbox = platform::PrepareWebEngineSandbox();
    // The chat windows' web view shares its drawing contexts; this must be said before the
    // application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The installed desktop entry, lumeno.desktop: the desktop shows its name and icon for the
    // client's windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("lumeno"));
    if (sandbox == platform::WebEngineSandbox::kOffForRoot)
        WriteLogText("running as root: the web engine starts without its sandbox");

    // 2. The skin directory beside the program.
    if (!SkinDirectoryPresent()) {
        platform::MessageBox(nullptr, kSkinMissingText, kReminderCaption, MB_OK);
        return 0;
    }

    // 3. Crash reporting, for every thread from here on.
    if (!crash::CDbgHelper::Install(crash::CDbgHelper::Instance()))
        WriteLogText("the crash handler could not be installed for every signal");
    crash::ArmCrashTest(argc, argv);

    // The component registry.
    RegisterProgramComponentTables();
    if (GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)) != S_OK) return 0;

    // 4. The toolkit: skin fonts and pictures, and the window shadows.
    InitializeSkinFonts();
    InitializeSkinImages();
    CWndShadow::Initialize();

    // 5. The UI: the main window and the message loop, until the main window is destroyed.
    RunUi(HasOption(argc, argv, "--first-frame-exit"), extra);

    // 6. Shutdown in reverse order: the account's jobs and its database first, while the
    // pictures, the main window and the registry still exist.
    ShutDownAccount();
    if (extra.destroy) extra.destroy();
    if (CMainWnd::Instance().IsWindow()) CMainWnd::Instance().DestroyWindow();
    CMainWnd::DestroyInstance();
    CAsyncWorkFlow::ReleaseFreeFibers();
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
    instanceLock.Release();
    return 0;
}

}  // namespace lumeno::app
