// The small dialogs as a user meets them: the message box's buttons and keys, the settings
// written to Config.ini and the desktop's autostart folder, the close prompts and their "do not
// ask again", the new-account dialog's links, and the main window's docking to screen edges.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "api/api_controller.h"
#include "app/component_tables.h"
#include "config/config.h"
#include "net/server_settings.h"
#include "platform/ui_thread.h"
#include "platform/window.h"
#include "tests/support/box_catcher.h"
#include "tests/support/build_tree.h"
#include "tests/support/client_components.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/temp_dir.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/wnd_shadow.h"
#include "ui/main/edge_dock.h"
#include "ui/pending/dlg_send_resume.h"
#include "ui/pending/dlg_special_recommend.h"
#include "ui/profile/dlg_add_contact_confirm.h"
#include "ui/profile/dlg_friend_level.h"
#include "ui/prompts/autostart.h"
#include "ui/prompts/dlg_about.h"
#include "ui/prompts/dlg_close_dialog_wnd.h"
#include "ui/prompts/dlg_close_notify.h"
#include "ui/prompts/dlg_install.h"
#include "ui/prompts/dlg_setting.h"
#include "ui/prompts/message_box.h"
#include "ui/prompts/prompt_style.h"
#include "ui/prompts/web_address.h"
#include "util/component_registry.h"

namespace lumeno::test {
namespace {

const UiNode* Find(const UiNodeList& nodes, const QString& name) {
    for (const UiNode& node : nodes) {
        if (node.name == name) return &node;
    }
    return nullptr;
}

// Presses the element with this name as a click would; false when there is none to press.
bool Press(VWindowImplRoot& window, const QString& name) {
    const UiNodeList nodes = window.Describe();
    const UiNode* node = Find(nodes, name);
    return node && window.ActivateElement(node->rect);
}

bool Checked(VWindowImplRoot& window, const QString& name) {
    const UiNodeList nodes = window.Describe();
    const UiNode* node = Find(nodes, name);
    EXPECT_NE(node, nullptr) << name.toStdString();
    return node && Has(node->states, UiNodeState::Checked);
}

bool Disabled(VWindowImplRoot& window, const QString& name) {
    const UiNodeList nodes = window.Describe();
    const UiNode* node = Find(nodes, name);
    EXPECT_NE(node, nullptr) << name.toStdString();
    return node && Has(node->states, UiNodeState::Disabled);
}

void Key(VWindowImplRoot& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window.Widget(), key, modifiers);
}

// The dialog's picture at 1x and 2x under docs' name, checked for the blue top bar and the text.
void SaveShot(VWindowImplRoot& window, const QString& name) {
    QWidget* widget = window.Widget();
    for (qreal scale : {1.0, 2.0}) {
        QImage image(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const QPoint origin = window.ClientOrigin();
        EXPECT_EQ(image.pixelColor((origin + QPoint(60, 4)) * scale), palette::kBrand)
            << "the top bar";
        QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
        EXPECT_TRUE(image.save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                               QStringLiteral("/") + name +
                               (scale > 1 ? QStringLiteral("@2x.png") : QStringLiteral(".png"))));
    }
}

std::string ConfigText() {
    QFile file(QString::fromStdString(ConfigFilePath()));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

class PromptsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        PrepareClientComponents(QString::fromUtf8(lumeno::test::build::SkinDir()));
    }
    void SetUp() override {
        UseTempDataHome(dir_);
        std::filesystem::create_directories(dir_ / "config");
        ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    }

    TempDir dir_;
};

TEST_F(PromptsTest, MessageBoxAnswersWithItsButtonsEnterAndEscape) {
    // Enter presses the blue button, which holds the keyboard when the box appears.
    WhenShown<CDlgMesssageBox>([](CDlgMesssageBox& box) {
        EXPECT_EQ(box.GetWindowText(), QStringLiteral("删除会话"));
        const UiNodeList nodes = box.Describe();
        const UiNode* ok = Find(nodes, QStringLiteral("确定"));
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(box.FocusRect(), ok->rect);
        ASSERT_NE(Find(nodes, QStringLiteral("取消")), nullptr);
        Key(box, Qt::Key_Return);
    });
    EXPECT_EQ(ShowMessageBox(nullptr, "确定要删除这条会话吗？", "删除会话", MB_OKCANCEL), IDOK);

    WhenShown<CDlgMesssageBox>([](CDlgMesssageBox& box) { Key(box, Qt::Key_Escape); });
    EXPECT_EQ(ShowMessageBox(nullptr, "确定要删除这条会话吗？", "删除会话", MB_OKCANCEL), IDCANCEL);

    // Shift+Tab walks back to "否", and Enter presses the button the keyboard is on.
    WhenShown<CDlgMesssageBox>([](CDlgMesssageBox& box) {
        Key(box, Qt::Key_Tab, Qt::ShiftModifier);
        Key(box, Qt::Key_Return);
    });
    EXPECT_EQ(ShowMessageBox(nullptr, "退出群聊后将不再接收此群消息", "", MB_YESNO), IDNO);
    WhenShown<CDlgMesssageBox>(
        [](CDlgMesssageBox& box) { EXPECT_TRUE(Press(box, QStringLiteral("是"))); });
    EXPECT_EQ(ShowMessageBox(nullptr, "退出群聊后将不再接收此群消息", "", MB_YESNO), IDYES);

    // A notice has one button; closing it is still an acknowledgement.
    WhenShown<CDlgMesssageBox>([](CDlgMesssageBox& box) {
        EXPECT_EQ(Find(box.Describe(), QStringLiteral("取消")), nullptr);
        EXPECT_TRUE(Press(box, QStringLiteral("关闭")));
    });
    EXPECT_EQ(ShowMessageBox(nullptr, "已发送", "", MB_OK), IDOK);

    // The box the client's windows use for errors, as the shared catcher sees it.
    BoxCatcher catcher;
    EXPECT_EQ(ShowMessageBox(nullptr, "账号或密码错误 (错误码: 10005)", "出错啦~~", MB_OK), IDOK);
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].caption, QStringLiteral("出错啦~~"));
    EXPECT_EQ(catcher.boxes[0].text, QStringLiteral("账号或密码错误 (错误码: 10005)"));
}

TEST_F(PromptsTest, LongTextWrapsAndTheBoxGrowsToShowEveryLineCentredOverItsOwner) {
    CDlgSetting owner(true);
    ASSERT_TRUE(owner.Create());
    owner.SetWindowPos(nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    QString text;
    for (int i = 0; i < 12; ++i)
        text += QStringLiteral("第%1行：网络连接已断开，消息将在恢复后自动发送。").arg(i + 1);
    WhenShown<CDlgMesssageBox>([&](CDlgMesssageBox& box) {
        EXPECT_TRUE(box.LongText());
        const QFont& font = TextFont(prompt_style::kBoxTextPixels);
        const int lines = WrappedLineCount(font, text, CDlgMesssageBox::kInitialWidth - 40);
        EXPECT_GT(lines, 5);
        const UiRect client = box.GetClientRect();
        EXPECT_GE(client.Height() - 2 * prompt_style::kBoxTextTop, lines * TextLineHeight(font))
            << "every line has room";
        const UiRect over = owner.GetWindowRect();
        const UiRect rect = box.GetWindowRect();
        EXPECT_NEAR(rect.left + rect.Width() / 2, over.left + over.Width() / 2, 1);
        Key(box, Qt::Key_Return);
    });
    EXPECT_EQ(ShowMessageBox(owner, text.toStdString(), "", MB_OK), IDOK);

    // The picture: a question with both buttons.
    WhenShown<CDlgMesssageBox>([](CDlgMesssageBox& box) {
        SaveShot(box, QStringLiteral("message-box"));
        Key(box, Qt::Key_Escape);
    });
    CDlgMesssageBox question(QStringLiteral("确定要删除与林晓的聊天记录吗？"),
                             QStringLiteral("删除后将无法恢复"));
    EXPECT_EQ(question.DoModal(owner), CDlgMesssageBox::kFirstButton);
    owner.DestroyWindow();
}

TEST_F(PromptsTest, SettingsRoundTripThroughConfigAndTheAutostartEntry) {
    // The remembered account keeps its password: signing in by itself can be chosen.
    LoginRecord signedIn;
    signedIn.qxid = "1001";
    signedIn.token = "token";
    signedIn.password = "lumeno123";
    CApiController::Instance().Saved() = SavedAccounts();
    CApiController::Instance().Saved().UpdateAfterSignIn(true, "demo", true, true, signedIn);
    ASSERT_TRUE(WriteConfigString("normal", "antoLogin", "1"));
    ASSERT_TRUE(WriteConfigString("normal", "soundNotify", "0"));
    const std::string entry = autostart::EntryPath();
    EXPECT_EQ(entry, dir_ / "config/autostart/lumeno.desktop");

    const QString startup = QStringLiteral("开机时自动启动Lumeno");
    const QString automatic = QStringLiteral("启动Lumeno时为我自动登录");
    const QString sound = QStringLiteral("播放提示音");
    const QString tray = QStringLiteral("隐藏到任务栏通知区域，不退出程序");
    const QString quit = QStringLiteral("退出程序");
    WhenShown<CDlgSetting>([&](CDlgSetting& dialog) {
        EXPECT_FALSE(Checked(dialog, startup));
        EXPECT_TRUE(Checked(dialog, automatic));
        EXPECT_FALSE(Checked(dialog, sound));
        EXPECT_TRUE(Checked(dialog, tray)) << "closing to the tray is the default";
        const UiNodeList nodes = dialog.Describe();
        ASSERT_NE(Find(nodes, startup), nullptr);
        EXPECT_EQ(dialog.FocusRect(), Find(nodes, startup)->rect)
            << "the keyboard starts on the first control";
        Key(dialog, Qt::Key_Space);  // ticks the control the keyboard is on
        EXPECT_TRUE(Press(dialog, automatic));
        EXPECT_TRUE(Press(dialog, sound));
        EXPECT_TRUE(Press(dialog, quit));
        EXPECT_FALSE(Checked(dialog, tray));
        SaveShot(dialog, QStringLiteral("settings"));
        Key(dialog, Qt::Key_Return);  // on a check box, Enter confirms the dialog
    });
    {
        CDlgSetting dialog(true);
        EXPECT_EQ(dialog.DoModal(), IDOK);
    }
    EXPECT_EQ(ReadConfigInt("normal", "antoLogin", -1), 0);
    EXPECT_EQ(ReadConfigInt("normal", "soundNotify", -1), 1);
    EXPECT_EQ(ReadConfigInt("normal", "exitToTray", -1), 0);
    ASSERT_TRUE(QFile::exists(QString::fromStdString(entry)));
    EXPECT_TRUE(autostart::IsOn());
    QFile file(QString::fromStdString(entry));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string text = file.readAll().toStdString();
    EXPECT_NE(text.find("/autostart\n"), std::string::npos);
    const auto exec = text.find("Exec=");
    ASSERT_NE(exec, std::string::npos);
    EXPECT_EQ(autostart::ProgramOfExec(text.substr(exec + 5, text.find('\n', exec) - exec - 5)),
              QCoreApplication::applicationFilePath().toStdString());

    // Cancelling changes nothing; turning it off with "确定" removes the entry.
    const std::string before = ConfigText();
    WhenShown<CDlgSetting>([&](CDlgSetting& dialog) {
        EXPECT_TRUE(Checked(dialog, startup));
        EXPECT_TRUE(Press(dialog, startup));
        EXPECT_TRUE(Press(dialog, sound));
        EXPECT_TRUE(Press(dialog, QStringLiteral("取消")));
    });
    EXPECT_EQ(CDlgSetting(true).DoModal(), IDCANCEL);
    EXPECT_EQ(ConfigText(), before);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(entry)));
    WhenShown<CDlgSetting>([&](CDlgSetting& dialog) {
        EXPECT_TRUE(Press(dialog, startup));
        EXPECT_TRUE(Press(dialog, QStringLiteral("确定")));
    });
    EXPECT_EQ(CDlgSetting(true).DoModal(), IDOK);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(entry)));

    // Paths the desktop's command-line rules must escape come back unchanged.
    for (const std::string program :
         {"/opt/My Apps/lumeno", "/home/a\"b/$HOME/`x`/50%/back\\slash"}) {
        const std::string written = autostart::EntryText(program);
        const auto at = written.find("Exec=") + 5;
        EXPECT_EQ(autostart::ProgramOfExec(written.substr(at, written.find('\n', at) - at)),
                  program);
    }
}

TEST_F(PromptsTest, SettingsWithoutATrayHostOrARememberedPassword) {
    CApiController::Instance().Saved() = SavedAccounts();
    ASSERT_TRUE(WriteConfigString("normal", "exitToTray", "1"));
    WhenShown<CDlgSetting>([](CDlgSetting& dialog) {
        const QString automatic = QStringLiteral("启动Lumeno时为我自动登录");
        const QString tray = QStringLiteral("隐藏到任务栏通知区域，不退出程序");
        EXPECT_TRUE(Disabled(dialog, automatic));
        EXPECT_FALSE(Press(dialog, automatic)) << "a disabled box cannot be ticked";
        EXPECT_FALSE(Checked(dialog, automatic));
        EXPECT_TRUE(Disabled(dialog, tray));
        EXPECT_FALSE(Checked(dialog, tray));
        EXPECT_TRUE(Checked(dialog, QStringLiteral("退出程序")));
        EXPECT_NE(Find(dialog.Describe(), QStringLiteral("（当前桌面没有通知区域）")), nullptr);
        EXPECT_TRUE(Press(dialog, QStringLiteral("确定")));
    });
    EXPECT_EQ(CDlgSetting(false).DoModal(), IDOK);
    EXPECT_EQ(ReadConfigInt("normal", "exitToTray", -1), 1)
        << "the choice stays for a desktop that has a tray";
}

TEST_F(PromptsTest, ClosePromptsRememberTheChoiceAndStopAskingWhenTold) {
    WhenShown<CDlgCloseNotify>([](CDlgCloseNotify& prompt) {
        EXPECT_TRUE(Checked(prompt, QStringLiteral("最小化到托盘")));
        EXPECT_FALSE(Checked(prompt, QStringLiteral("下次不再提示")));
        EXPECT_TRUE(Press(prompt, QStringLiteral("直接退出")));
        SaveShot(prompt, QStringLiteral("close-prompt"));
        Key(prompt, Qt::Key_Return);
    });
    EXPECT_EQ(AskHowToClose(nullptr, true), CloseChoice::Quit);
    EXPECT_EQ(ReadConfigInt("normal", "showExitNotify", -1), 1);
    EXPECT_EQ(ReadConfigInt("normal", "exitToTray", -1), 0);

    WhenShown<CDlgCloseNotify>([](CDlgCloseNotify& prompt) {
        EXPECT_FALSE(Checked(prompt, QStringLiteral("最小化到托盘"))) << "the last choice";
        EXPECT_TRUE(Press(prompt, QStringLiteral("最小化到托盘")));
        Key(prompt, Qt::Key_Escape);
    });
    EXPECT_EQ(AskHowToClose(nullptr, true), CloseChoice::Cancel);
    EXPECT_EQ(ReadConfigInt("normal", "exitToTray", -1), 0) << "cancelling stores nothing";

    WhenShown<CDlgCloseNotify>([](CDlgCloseNotify& prompt) {
        EXPECT_TRUE(Press(prompt, QStringLiteral("下次不再提示")));
        EXPECT_TRUE(Press(prompt, QStringLiteral("最小化到托盘")));
        EXPECT_TRUE(Press(prompt, QStringLiteral("确定")));
    });
    EXPECT_EQ(AskHowToClose(nullptr, true), CloseChoice::HideToTray);
    EXPECT_EQ(ReadConfigInt("normal", "showExitNotify", -1), 0);
    EXPECT_EQ(ReadConfigInt("normal", "exitToTray", -1), 1);
    // Not asked any more: no prompt opens, the stored choice is followed (without a tray
    // closing quits).
    EXPECT_EQ(AskHowToClose(nullptr, true), CloseChoice::HideToTray);
    EXPECT_FALSE(platform::FindWindowByClass(CDlgCloseNotify::WindowClassName()));
    EXPECT_EQ(AskHowToClose(nullptr, false), CloseChoice::Quit);

    // Closing conversations: "always close all" with "关闭当前" still closes all from now on.
    WhenShown<CDlgCloseDialogWnd>([](CDlgCloseDialogWnd& prompt) {
        EXPECT_TRUE(Press(prompt, QStringLiteral("总是关闭所有会话")));
        EXPECT_TRUE(Press(prompt, QStringLiteral("关闭当前")));
    });
    bool cancelled = true;
    EXPECT_TRUE(AskCloseAllConversations(nullptr, cancelled));
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(ReadConfigInt("normal", "closeAllDialogs", -1), 1);
    EXPECT_EQ(ReadConfigInt("normal", "showCloseDialogNotify", -1), 0);
    EXPECT_TRUE(AskCloseAllConversations(nullptr, cancelled));
}

// Each dialog draws its own edge around its top bar and body: over a white window it stays
// visible where the desktop draws no shadows (no compositing manager).
template <class T>
void ExpectOwnEdge(T& dialog, const char* name) {
    ASSERT_TRUE(dialog.Create(nullptr)) << name;
    const UiRect client = dialog.GetClientRect();
    const int w = client.Width();
    const int h = client.Height();
    QImage picture(w, h, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::white);
    {
        QPainter dc(&picture);
        dialog.PrintClient(dc, client);
    }
    // The middle of the left, right and bottom sides, and the top bar's left end.
    for (const QPoint at : {QPoint(0, h / 2), QPoint(w - 1, h / 2), QPoint(w / 2, h - 1),
                            QPoint(0, prompt_style::kTitleBarHeight / 2)}) {
        EXPECT_EQ(picture.pixelColor(at), palette::kDialogEdge)
            << name << " at " << at.x() << "," << at.y();
    }
    // Just inside, the body is the body.
    EXPECT_NE(picture.pixelColor(2, h / 2), palette::kDialogEdge) << name;
    dialog.DestroyWindow();
}

TEST_F(PromptsTest, EveryDialogDrawsAnEdgeThatShowsOverAWhiteWindow) {
    CDlgMesssageBox box(QStringLiteral("请输入正确的账号/手机号，密码"));
    ExpectOwnEdge(box, "message box");
    CDlgCloseNotify close(true);
    ExpectOwnEdge(close, "close question");
    CDlgCloseDialogWnd tabs;
    ExpectOwnEdge(tabs, "closing conversations");
    CDlgSetting settings(true);
    ExpectOwnEdge(settings, "settings");
    CDlgAbout about;
    ExpectOwnEdge(about, "about");
    CDlgInstallLumeno install;
    ExpectOwnEdge(install, "new account");
    CDlgFriendLevel level;
    ExpectOwnEdge(level, "friend level");
    CDlgAddContactConfirm add(QStringLiteral("你好"));
    ExpectOwnEdge(add, "friend request");
    CDlgSpecialRecommend recommend(QStringLiteral("推荐"));
    ExpectOwnEdge(recommend, "recommendation");
    CDlgSendResume resume("https://example.com/resume");
    ExpectOwnEdge(resume, "send resume");
}

// Records the addresses the desktop is asked to open.
class BrowserStandIn : public QObject {
    Q_OBJECT
  public:
    std::vector<QUrl> opened;
  public Q_SLOTS:
    void Open(const QUrl& url) { opened.push_back(url); }
};

TEST_F(PromptsTest, NewAccountDialogOpensOnlyWebAddressesInTheBrowser) {
    BrowserStandIn browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "Open");
    WhenShown<CDlgInstallLumeno>([](CDlgInstallLumeno& dialog) {
        EXPECT_NE(Find(dialog.Describe(), QStringLiteral("下载 Lumeno app 的二维码")), nullptr);
        SaveShot(dialog, QStringLiteral("new-account"));
        EXPECT_TRUE(Press(dialog, QStringLiteral("下载手机app")));
    });
    EXPECT_EQ(CDlgInstallLumeno().DoModal(), IDOK);
    ASSERT_EQ(browser.opened.size(), 1u);
    EXPECT_EQ(browser.opened[0].toString().toStdString(), web_address::kMobileAppPage);

    EXPECT_FALSE(web_address::Open("file:///etc/passwd"));
    EXPECT_FALSE(web_address::Open("javascript:alert(1)"));
    EXPECT_FALSE(web_address::Open("https://"));
    EXPECT_EQ(browser.opened.size(), 1u);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

TEST_F(PromptsTest, AboutDialogFollowsTheUpdateCheckAndClosingItStopsTheCheck) {
    int started = 0;
    bool stopped = false;
    SetUpdateCheckHooks({[&](FlowHandle* handle, HWND, UpdateReport report) {
                             ++started;
                             auto status = report.status;
                             return RunFlowOnce(*handle, [&stopped, status](CAsyncWorkFlow& flow) {
                                 status(UpdateStatus::Checking);
                                 FilterNode never;
                                 never.message = WM_USER + 0x7ABC;
                                 try {
                                     flow.WaitMessage(&never);
                                 } catch (CAsyncWorkFlow::CancelException&) {
                                     stopped = true;
                                     throw;
                                 }
                             });
                         },
                         [] { return false; }});
    WhenShown<CDlgAbout>([](CDlgAbout& about) {
        const QString version =
            QStringLiteral("版本号: %1").arg(QString::fromUtf8(ProgramFileVersion()));
        EXPECT_NE(Find(about.Describe(), version), nullptr);
        EXPECT_TRUE(Press(about, QStringLiteral("(检查更新)")));
        EXPECT_TRUE(about.Checking());
        EXPECT_EQ(about.LinkText(), QStringLiteral("正在检查更新..."));
        EXPECT_TRUE(Press(about, QStringLiteral("(正在检查更新...)")));  // no second check
        SaveShot(about, QStringLiteral("about"));
        EXPECT_TRUE(Press(about, QStringLiteral("关闭")));
    });
    EXPECT_EQ(CDlgAbout().DoModal(), IDCANCEL);
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(platform::PumpMessagesUntil([&] { return stopped; }, std::chrono::seconds(5)))
        << "closing the dialog cancels its check";

    // A newer version found earlier is offered at once.
    SetUpdateCheckHooks({nullptr, [] { return true; }});
    EXPECT_EQ(CDlgAbout().LinkText(), QStringLiteral("有新版本可以更新"));
    SetUpdateCheckHooks({});
}

// ---- docking ----

constexpr int kInset = 2;
// Two screens side by side: 1920 × 1080 with a 40-pixel panel at its bottom, and 1280 × 1024 to
// its right.
const std::vector<DockScreen> kScreens = {
    {UiRect(0, 0, 1920, 1080), UiRect(0, 0, 1920, 1040)},
    {UiRect(1920, 0, 3200, 1024), UiRect(1920, 0, 3200, 1024)},
};

// Runs the slide timer until it stops; every position the window takes.
std::vector<UiRect> Slide(CEdgeDock& dock, UiRect& window) {
    std::vector<UiRect> steps;
    for (int tick = 0; tick < 1000; ++tick) {
        const DockSlideStep step = dock.OnSlideTick(window);
        if (step.moveTo) {
            window = *step.moveTo;
            steps.push_back(window);
        }
        if (step.timers.stopSlide) return steps;
    }
    ADD_FAILURE() << "the slide never ends";
    return steps;
}

TEST(EdgeDockTest, DocksAtTheEdgesOfTheScreenUnderThePointerButNotBetweenScreens) {
    CEdgeDock dock(kInset);
    UiRect rect = UiRect::FromSize(500, 200, 300, 600);
    dock.OnMoving(rect, QPoint(600, 61), kScreens);
    EXPECT_EQ(dock.Edge(), DockEdge::None);
    EXPECT_EQ(rect, UiRect::FromSize(500, 200, 300, 600));
    dock.OnMoving(rect, QPoint(600, 60), kScreens);
    EXPECT_EQ(dock.Edge(), DockEdge::Top);
    EXPECT_EQ(rect, UiRect::FromSize(500, -kInset, 300, 600));

    // Left: full height above the panel; back in the middle, the height it had.
    rect = UiRect::FromSize(100, 300, 300, 600);
    dock.OnMoving(rect, QPoint(59, 500), kScreens);
    EXPECT_EQ(dock.Edge(), DockEdge::Left);
    EXPECT_EQ(rect, UiRect(0, -kInset, 300, 1040));
    rect = rect.Offset(0, 5);
    dock.OnMoving(rect, QPoint(40, 600), kScreens);  // moved along the edge: still docked
    EXPECT_EQ(rect, UiRect(0, -kInset, 300, 1040));
    rect = UiRect::FromSize(700, 300, 300, 1042);
    dock.OnMoving(rect, QPoint(800, 500), kScreens);
    EXPECT_EQ(dock.Edge(), DockEdge::None);
    EXPECT_EQ(rect, UiRect::FromSize(700, 300, 300, 600));

    // Bottom: on the panel's top edge.
    rect = UiRect::FromSize(700, 300, 300, 600);
    dock.OnMoving(rect, QPoint(800, 1040 - 60), kScreens);
    EXPECT_EQ(dock.Edge(), DockEdge::Bottom);
    EXPECT_EQ(rect, UiRect(700, 440, 1000, 1040));

    // The first screen's right edge meets the second screen: the pointer passes on.
    rect = UiRect::FromSize(1500, 300, 300, 600);
    dock.OnMoving(rect, QPoint(1900, 500), kScreens);
    EXPECT_EQ(dock.Edge(), DockEdge::None);
    EXPECT_EQ(rect, UiRect::FromSize(1500, 300, 300, 600));
    // ... and the second screen's left edge as well; its right edge docks.
    dock.OnMoving(rect, QPoint(1930, 500), kScreens);
    EXPECT_EQ(dock.Edge(), DockEdge::None);
    rect = UiRect::FromSize(2800, 300, 300, 600);
    dock.OnMoving(rect, QPoint(3190, 500), kScreens);
    EXPECT_EQ(dock.Edge(), DockEdge::Right);
    EXPECT_EQ(rect, UiRect(2900, -kInset, 3200, 1024));

    // A screen below the first one: its bottom edge does not dock either.
    std::vector<DockScreen> stacked = {kScreens[0], {UiRect(0, 1080, 1920, 2160), {}}};
    CEdgeDock other(kInset);
    rect = UiRect::FromSize(700, 300, 300, 600);
    other.OnMoving(rect, QPoint(800, 1075), stacked);
    EXPECT_EQ(other.Edge(), DockEdge::None);

    // Where a window cannot place itself, nothing docks.
    CEdgeDock off(kInset, false);
    rect = UiRect::FromSize(500, 200, 300, 600);
    off.OnMoving(rect, QPoint(600, 10), kScreens);
    EXPECT_EQ(off.Edge(), DockEdge::None);
    EXPECT_EQ(rect, UiRect::FromSize(500, 200, 300, 600));
}

TEST(EdgeDockTest, SlidesOutWhenThePointerLeavesAndBackWhenItTouchesTheStrip) {
    CEdgeDock dock(kInset);
    UiRect window = UiRect::FromSize(500, 200, 300, 600);
    dock.OnMoving(window, QPoint(600, 20), kScreens);
    ASSERT_EQ(dock.Edge(), DockEdge::Top);

    // The pointer is over the window: both timers start, the window is already fully shown.
    DockTimers timers = dock.OnHitTest(QPoint(600, 100));
    EXPECT_TRUE(timers.startLeave);
    EXPECT_TRUE(timers.startSlide);
    EXPECT_FALSE(dock.OnHitTest(QPoint(600, 100)).startLeave) << "already checking";
    EXPECT_EQ(Slide(dock, window).back(), UiRect::FromSize(500, -kInset, 300, 600));
    EXPECT_FALSE(dock.OnLeaveTick(window, QPoint(805, 603)).startSlide) << "10 px around counts";

    // Gone: it slides up in steps of a tenth of its height until one pixel row is left.
    timers = dock.OnLeaveTick(window, QPoint(900, 700));
    EXPECT_TRUE(timers.stopLeave);
    EXPECT_TRUE(timers.startSlide);
    std::vector<UiRect> steps = Slide(dock, window);
    ASSERT_EQ(steps.size(), 10u);
    EXPECT_EQ(steps[0].bottom, 598 - 60);
    EXPECT_EQ(steps.back(), UiRect(500, 1 - 600, 800, 1));
    EXPECT_TRUE(dock.AnimationFinished());

    // Touching the strip brings it back down.
    EXPECT_TRUE(dock.OnHitTest(QPoint(600, 0)).startSlide);
    steps = Slide(dock, window);
    EXPECT_EQ(steps.back(), UiRect::FromSize(500, -kInset, 300, 600));
    for (std::size_t i = 1; i < steps.size(); ++i)
        EXPECT_GT(steps[i].top, steps[i - 1].top);

    // Docked at the second screen's right edge: out to its last column, and back when shown.
    CEdgeDock right(kInset);
    window = UiRect::FromSize(2800, 300, 300, 600);
    right.OnMoving(window, QPoint(3190, 500), kScreens);
    right.OnHitTest(QPoint(3190, 500));
    Slide(right, window);
    EXPECT_TRUE(right.OnLeaveTick(window, QPoint(2000, 500)).startSlide);
    EXPECT_EQ(Slide(right, window).back(), UiRect(3199, -kInset, 3499, 1024));
    EXPECT_TRUE(right.SlideIn().startSlide);
    EXPECT_EQ(Slide(right, window).back(), UiRect(2900, -kInset, 3200, 1024));
    // Dragged away while the leave check runs: undocked, the check stops.
    right.OnHitTest(QPoint(3190, 500));
    window = UiRect::FromSize(2200, 300, 300, 1026);
    EXPECT_TRUE(right.OnMoving(window, QPoint(2300, 500), kScreens).stopLeave);
    EXPECT_EQ(window.Height(), 600);
}

}  // namespace
}  // namespace lumeno::test

#include "prompts_test.moc"
