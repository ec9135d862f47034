// The update check against the local service: the about dialog's on-demand check with its
// progress, the background check, the two prompts, the MD5 check and the installer that runs.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>

#include "api/json_access.h"
#include "api/update_check.h"
#include "app/startup.h"
#include "config/config.h"
#include "net/server_settings.h"
#include "platform/directories.h"
#include "platform/private_files.h"
#include "platform/ui_thread.h"
#include "platform/window.h"
#include "tests/support/build_tree.h"
#include "tests/support/main_window_client.h"
#include "tests/support/menu_picker.h"
#include "tests/support/screenshot.h"
#include "ui/prompts/dlg_about.h"
#include "ui/prompts/message_box.h"
#include "ui/prompts/update_prompt.h"

namespace lumeno::test {
namespace {

// Presses the element with this name as a click would; false when there is none.
bool Press(VWindowImplRoot& window, const QString& name) {
    for (const UiNode& node : window.Describe()) {
        if (node.name == name) return window.ActivateElement(node.rect);
    }
    return false;
}

std::vector<QString> Buttons(VWindowImplRoot& window) {
    std::vector<QString> buttons;
    for (const UiNode& node : window.Describe()) {
        if (node.role == UiRole::Button && node.name != QStringLiteral("关闭"))
            buttons.push_back(node.name);
    }
    return buttons;
}

void SaveShot(VWindowImplRoot& window, const QString& name) {
    EXPECT_TRUE(SaveAtBothScales(window.Widget(),
                                 QString::fromUtf8(lumeno::test::build::ScreenshotDir()), name));
}

// Answers the update prompt with `answer` once it shows, keeping its text and buttons.
class PromptAnswer {
  public:
    explicit PromptAnswer(QString answer, QString shot = QString())
        : answer_(std::move(answer)), shot_(std::move(shot)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Catch(); });
        timer_.start(20);
    }
    int shown = 0;
    QString text;
    std::vector<QString> buttons;

  private:
    void Catch() {
        auto* box = dynamic_cast<CDlgMesssageBox*>(platform::WindowFromHandle(
            platform::FindWindowByClass(CDlgMesssageBox::WindowClassName())));
        if (!box || !box->IsModal() || box->FocusRect().IsEmpty()) return;
        ++shown;
        text = box->MainText();
        buttons = Buttons(*box);
        if (!shot_.isEmpty()) SaveShot(*box, shot_);
        if (!Press(*box, answer_)) box->EndDialog(IDCANCEL);
    }

    QString answer_;
    QString shot_;
    QTimer timer_;
};

class UpdateCheckTest : public MainWindowClientTest {
  protected:
    explicit UpdateCheckTest(LocalService::Options options = {})
        : MainWindowClientTest(std::move(options)) {}

    void SetUp() override {
        MainWindowClientTest::SetUp();
        // Which threads read a file for its MD5, in every test.
        SetMd5ReadWatcher([this] { ++(platform::IsUiThread() ? hashedOnUi_ : hashedOnWorker_); });
        marker_ = dir_.Path() + "/installed.mark";
        ::setenv("LUMENO_INSTALLER_MARKER", marker_.c_str(), 1);
        // As start-up connects them, except that leaving is only counted.
        // The statuses that end a check are counted on the way.
        SetUpdateCheckHooks({[this](FlowHandle* handle, HWND owner, UpdateReport report) {
                                 report.status = [this, inner = report.status](UpdateStatus s) {
                                     statuses_.push_back(s);
                                     if (s != UpdateStatus::Checking &&
                                         s != UpdateStatus::Downloading)
                                         ++ends_;
                                     inner(s);
                                 };
                                 return StartUpdateCheck(handle, std::move(report), owner);
                             },
                             [] { return HasNewerVersion(); }});
        SetUpdateSeams({&AskToInstallUpdate, &TellInstallerFailed, [this] { ++leaves_; }});
        PrepareUpdatePaths();
    }
    void TearDown() override {
        CancelBackgroundUpdateCheck();
        SetMd5ReadWatcher({});
        SetUpdateSeams({});
        SetUpdateCheckHooks({});
        ::unsetenv("LUMENO_INSTALLER_MARKER");
        MainWindowClientTest::TearDown();
    }

    void Offer(const std::string& query) {
        ASSERT_NE(service_.Get("/admin/update?" + query).find("\"result\""), std::string::npos);
    }
    // How many times the service has served the installer so far.
    int InstallerDownloads() const {
        Json::Value root;
        EXPECT_TRUE(ParseJson(service_.Get("/admin/update"), root));
        return root["installer_downloads"].asInt();
    }
    // An address of the installer on the service: `scheme` "http" or "https", on `host`.
    std::string InstallerUrl(const std::string& scheme, const std::string& host = "127.0.0.1") {
        const int port = scheme == "https" ? service_.TlsPort() : service_.ApiPort();
        return scheme + "://" + host + ":" + std::to_string(port) +
               "/files/update/lumeno-setup-linux.run";
    }
    static std::string Encoded(const std::string& text) {
        return QUrl::toPercentEncoding(QString::fromStdString(text)).toStdString();
    }
    static bool InstallerPresent() {
        return platform::FileSize(CurrentUpdateInfo().installerPath) > 0;
    }
    bool Installed() const { return QFile::exists(QString::fromStdString(marker_)); }

    // Opens the about dialog, presses its update link and waits for the check to end; returns
    // every link text seen on the way, the last one last.
    // `throughMenu`: the dialog is opened from the signed-in main window's menu, as a person does.
    std::vector<QString> CheckFromAboutDialog(const QString& shot = QString(),
                                              bool throughMenu = false) {
        std::vector<QString> seen;
        QTimer driver;
        bool pressed = false;
        const int endsBefore = ends_;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* about = dynamic_cast<CDlgAbout*>(platform::WindowFromHandle(
                platform::FindWindowByClass(CDlgAbout::WindowClassName())));
            if (!about || !about->IsModal()) return;
            if (!pressed) {
                pressed = Press(*about, QStringLiteral("(%1)").arg(about->LinkText()));
                EXPECT_TRUE(pressed);
                return;
            }
            if (seen.empty() || seen.back() != about->LinkText()) seen.push_back(about->LinkText());
            if (!shot.isEmpty() && about->LinkText().contains('%') && !shotTaken_) {
                shotTaken_ = true;
                SaveShot(*about, shot);
            }
            if (ends_ > endsBefore && !about->Checking()) about->EndDialog(IDOK);
        });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (auto* left = dynamic_cast<CDlgAbout*>(platform::WindowFromHandle(
                    platform::FindWindowByClass(CDlgAbout::WindowClassName())))) {
                ADD_FAILURE() << "the check did not end: " << left->LinkText().toStdString();
                left->EndDialog(IDCANCEL);
            }
        });
        guard.start(60000);
        driver.start(5);
        if (!throughMenu) {
            CDlgAbout().DoModal(Main().m_hWnd);
            return seen;
        }
        MenuPicker picker(QStringLiteral("关于"));
        EXPECT_TRUE(Activate(Main(), UiRole::Button, QStringLiteral("主菜单")));
        EXPECT_TRUE(PumpUntil(
            [&] { return pressed && !platform::FindWindowByClass(CDlgAbout::WindowClassName()); },
            60s));
        return seen;
    }

    std::string marker_;
    int leaves_ = 0;
    int ends_ = 0;
    std::vector<UpdateStatus> statuses_;
    bool shotTaken_ = false;
    std::atomic<int> hashedOnUi_{0};
    std::atomic<int> hashedOnWorker_{0};
};

// The service also speaks HTTPS, with its test authority trusted by the client.
class UpdateOverHttpsTest : public UpdateCheckTest {
  protected:
    UpdateOverHttpsTest() : UpdateCheckTest({.seed = "demo", .tls = true}) {}
};

TEST(UpdateVersionTest, FourNumericPiecesComparedFromTheLeft) {
    EXPECT_TRUE(IsNewerVersion("1.0.0.1072", "1.0.0.1073"));
    EXPECT_TRUE(IsNewerVersion("1.0.0.1072", "1.0.1.0"));
    EXPECT_TRUE(IsNewerVersion("1.9.0.0", "1.10.0.0"));  // numbers, not texts
    EXPECT_FALSE(IsNewerVersion("1.0.0.1072", "1.0.1"));
    EXPECT_FALSE(IsNewerVersion("1.0.0.1072", "1.0.0.1072"));
    EXPECT_FALSE(IsNewerVersion("1.0.0.1072", "0.9.9.9999"));
    EXPECT_FALSE(IsNewerVersion("1.0.0.1072", "1.0.0.1073.1"));
    EXPECT_FALSE(IsNewerVersion("1.0.0.1072", ""));
    // A piece that is not a number counts as 0.
    EXPECT_TRUE(IsNewerVersion("1.0.x.5", "1.0.0.6"));
    EXPECT_FALSE(IsNewerVersion("1.0.0.5", "1.0.0.x"));
    // A piece too long for an integer stays the largest, never wraps round.
    EXPECT_TRUE(IsNewerVersion("1.0.0.5", "1.0.0.99999999999999999999"));
    EXPECT_FALSE(IsNewerVersion("1.0.0.99999999999999999999", "1.0.0.5"));
}

TEST(UpdateVersionTest, InstallerIsValidOnlyWithTheAnnouncedMd5InEitherCase) {
    TempDir dir;
    UpdateInfo& info = CurrentUpdateInfo();
    info.installerPath = dir.Path() + "/update.run";
    std::ofstream(info.installerPath) << "abc";
    info.md5.clear();
    EXPECT_FALSE(InstallerIsValid()) << "nothing is expected yet";
    info.md5 = "900150983CD24FB0D6963F7D28E17F72";  // MD5 of "abc", upper case
    EXPECT_TRUE(InstallerIsValid());
    info.md5 = "900150983cd24fb0d6963f7d28e17f73";
    EXPECT_FALSE(InstallerIsValid());
    info.md5 = "900150983cd24fb0d6963f7d28e17f72";
    platform::RemoveFile(info.installerPath);
    EXPECT_FALSE(InstallerIsValid()) << "no file";

    EXPECT_FALSE(DecodeUpdateAnswer("[1,2]", info));
    EXPECT_FALSE(DecodeUpdateAnswer("<html>", info));
    ASSERT_TRUE(
        DecodeUpdateAnswer(R"({"version":"2.0.0.0","force":1,"md5":"ab","url":"u"})", info));
    EXPECT_EQ(info.version, "2.0.0.0");
    EXPECT_EQ(info.force, 1);
    EXPECT_EQ(info.installerPath, dir.Path() + "/update.run") << "the paths stay";
}

// A newer optional version: the about dialog shows the download's progress, the MD5 matches,
// the prompt offers both choices and installing starts the installer from the update folder.
TEST_F(UpdateCheckTest, AboutDialogDownloadsWithProgressAndInstallsAnOptionalUpdate) {
    SignInDemo();
    Offer("version=9.0.0.0&force=0&pad=2000000&chunk_ms=15");
    PromptAnswer prompt(QStringLiteral("立即安装更新"), QStringLiteral("update-prompt"));
    const std::vector<QString> seen =
        CheckFromAboutDialog(QStringLiteral("update-about-progress"), true);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), QStringLiteral("有新版本可以更新"));
    std::set<QString> percents;
    for (const QString& text : seen)
        if (text.startsWith(QStringLiteral("正在下载新版本...")) && text.endsWith('%'))
            percents.insert(text);
    EXPECT_GE(percents.size(), 2u) << "the download's progress shows in the dialog";

    EXPECT_EQ(prompt.shown, 1);
    EXPECT_EQ(prompt.text, QStringLiteral("检测到新版本，不更新你就out啦"));
    EXPECT_EQ(prompt.buttons, (std::vector<QString>{QStringLiteral("下次再提醒我"),
                                                    QStringLiteral("立即安装更新")}));
    EXPECT_TRUE(PumpUntil([&] { return Installed(); }, 10s)) << "the installer ran";
    QFile mark(QString::fromStdString(marker_));
    ASSERT_TRUE(mark.open(QIODevice::ReadOnly));
    EXPECT_TRUE(mark.readAll().contains(
        QByteArray::fromStdString(platform::JoinPath(platform::DataDirectory(), "Update"))));
    EXPECT_EQ(leaves_, 1) << "the client leaves for the installer";
    EXPECT_TRUE(HasNewerVersion());
    // Read before the download, after it and once more before it was started: never on the UI
    // thread, which stays free to draw while a large installer is read.
    EXPECT_GE(hashedOnWorker_.load(), 3);
    EXPECT_EQ(hashedOnUi_.load(), 0);
}

// The background check: an optional update is fetched silently and offered at the next check;
// declining starts nothing. A forced one is offered at once with the install button alone.
TEST_F(UpdateCheckTest, BackgroundCheckFetchesSilentlyOffersLaterAndForcesAtOnce) {
    Offer("version=9.0.0.0&force=0");
    {
        PromptAnswer prompt(QStringLiteral("下次再提醒我"));
        StartBackgroundUpdateCheck(Main().m_hWnd);
        ASSERT_TRUE(PumpUntil([] { return !CurrentUpdateInfo().background.Busy(); }));
        EXPECT_EQ(prompt.shown, 0) << "nothing is shown the first time";
        EXPECT_TRUE(InstallerPresent());

        StartBackgroundUpdateCheck(Main().m_hWnd);
        ASSERT_TRUE(PumpUntil([] { return !CurrentUpdateInfo().background.Busy(); }));
        EXPECT_EQ(prompt.shown, 1);
        EXPECT_EQ(prompt.text, QStringLiteral("检测到新版本，不更新你就out啦"));
        QTest::qWait(300);
        EXPECT_FALSE(Installed()) << "declined";
        EXPECT_EQ(leaves_, 0);
    }

    // The service now insists, with another installer than the one in the folder.
    Offer("version=9.0.0.1&force=1&pad=1000");
    PromptAnswer forced(QStringLiteral("立即安装更新"));
    StartBackgroundUpdateCheck(Main().m_hWnd);
    ASSERT_TRUE(PumpUntil([] { return !CurrentUpdateInfo().background.Busy(); }));
    EXPECT_EQ(forced.shown, 1);
    EXPECT_EQ(forced.text, QStringLiteral("检测到新版本，不更新会影响使用"));
    EXPECT_EQ(forced.buttons, std::vector<QString>{QStringLiteral("立即安装更新")});
    EXPECT_TRUE(PumpUntil([&] { return Installed(); }, 10s));
    EXPECT_EQ(leaves_, 1);
    EXPECT_GE(hashedOnWorker_.load(), 5);
    EXPECT_EQ(hashedOnUi_.load(), 0) << "an installer was read for its MD5 on the UI thread";
}

// A wrong MD5 or a cut download is never started and the dialog says the check failed; an
// equal or older version is up to date; a failed service answer fails the check.
TEST_F(UpdateCheckTest, BadDownloadsAreNeverStartedAndOldVersionsAreUpToDate) {
    PromptAnswer prompt(QStringLiteral("立即安装更新"));

    Offer("version=9.0.0.0&wrong_md5=1");
    EXPECT_EQ(CheckFromAboutDialog().back(), QStringLiteral("检查出错请重试"));
    EXPECT_FALSE(InstallerPresent()) << "a file with the wrong MD5 is not kept";

    Offer("version=9.0.0.0&wrong_md5=0&cut=1&pad=300000");
    statuses_.clear();
    EXPECT_EQ(CheckFromAboutDialog().back(), QStringLiteral("检查出错请重试"));
    EXPECT_EQ(statuses_,
              (std::vector<UpdateStatus>{UpdateStatus::Checking, UpdateStatus::Downloading,
                                         UpdateStatus::Failed}));
    EXPECT_FALSE(InstallerPresent()) << "a cut download never becomes the installer";
    EXPECT_TRUE(QDir(QString::fromStdString(CurrentUpdateInfo().updateDirectory))
                    .entryList(QDir::Files | QDir::Hidden)
                    .isEmpty())
        << "no partial file is left behind";

    Offer("cut=0&version=" + std::string(ProgramFileVersion()));
    EXPECT_EQ(CheckFromAboutDialog().back(), QStringLiteral("已经是最新版"));
    Offer("version=0.9.9.9999");
    EXPECT_EQ(CheckFromAboutDialog().back(), QStringLiteral("已经是最新版"));
    EXPECT_FALSE(HasNewerVersion());

    Offer("version=");  // an answer that names no version
    EXPECT_EQ(CheckFromAboutDialog().back(), QStringLiteral("检查出错请重试"));
    Offer("version=0.9.9.9999");
    service_.Get("/admin/fault?kind=malformed&path=/lumeno/check_version&count=1");
    EXPECT_EQ(CheckFromAboutDialog().back(), QStringLiteral("检查出错请重试"));
    // Two empty answers are retried; a third would end the check.
    service_.Get("/admin/fault?kind=empty&path=/lumeno/check_version&count=2");
    EXPECT_EQ(CheckFromAboutDialog().back(), QStringLiteral("已经是最新版"));
    service_.Get("/admin/fault?kind=empty&path=/lumeno/check_version&count=3");
    EXPECT_EQ(CheckFromAboutDialog().back(), QStringLiteral("检查出错请重试"));

    EXPECT_EQ(prompt.shown, 0);
    QTest::qWait(200);
    EXPECT_FALSE(Installed());
    EXPECT_EQ(leaves_, 0);
}

// An installer address over plain http to a host that is not this machine's loopback is refused
// before anything is fetched: the about dialog says why, the background check stays silent, and
// nothing is downloaded or started; a loopback address that redirects there is not followed. The
// name used reaches the local service all the same (libcurl answers "*.localhost" names with the
// loopback address itself), so a download that was made would succeed and show; the same file at
// the loopback address is fetched and installed.
TEST_F(UpdateCheckTest, InstallerOverPlainHttpToAnotherHostIsRefused) {
    PromptAnswer prompt(QStringLiteral("立即安装更新"));
    Offer("version=9.0.0.0&force=1&url=" +
          Encoded(InstallerUrl("http", "lumeno-updates.localhost")));
    statuses_.clear();
    EXPECT_EQ(CheckFromAboutDialog().back(), QString::fromUtf8(kUpdateRefusedText));
    EXPECT_EQ(statuses_,
              (std::vector<UpdateStatus>{UpdateStatus::Checking, UpdateStatus::Refused}));
    StartBackgroundUpdateCheck(Main().m_hWnd);
    ASSERT_TRUE(PumpUntil([] { return !CurrentUpdateInfo().background.Busy(); }));
    EXPECT_FALSE(InstallerPresent());
    EXPECT_EQ(InstallerDownloads(), 0);
    EXPECT_EQ(prompt.shown, 0);
    QTest::qWait(200);
    EXPECT_FALSE(Installed());
    EXPECT_EQ(leaves_, 0);

    // Nor does the loopback address's exception reach that host through a redirect.
    Offer("url=" + Encoded(service_.BaseUrl() + "/admin/redirect?to=" +
                           Encoded(InstallerUrl("http", "lumeno-updates.localhost"))));
    statuses_.clear();
    EXPECT_EQ(CheckFromAboutDialog().back(), QStringLiteral("检查出错请重试"));
    EXPECT_EQ(statuses_,
              (std::vector<UpdateStatus>{UpdateStatus::Checking, UpdateStatus::Downloading,
                                         UpdateStatus::Failed}));
    EXPECT_EQ(InstallerDownloads(), 0);
    EXPECT_EQ(prompt.shown, 0);

    Offer("url=" + Encoded(InstallerUrl("http")));
    EXPECT_EQ(CheckFromAboutDialog().back(), QStringLiteral("有新版本可以更新"));
    EXPECT_EQ(InstallerDownloads(), 1);
    EXPECT_TRUE(PumpUntil([&] { return Installed(); }, 10s));
    EXPECT_EQ(prompt.shown, 1);
}

// Config.ini points the client at a service over plain http on another machine: the check is not
// made at all (its answer names the installer and its MD5), and the about dialog says why.
TEST_F(UpdateCheckTest, NoCheckOverPlainHttpToAnotherHost) {
    WriteConfigString("main", "msg", "lumeno-api.localhost:" + std::to_string(service_.ApiPort()));
    ASSERT_EQ(ServerSettings::Current().apiHostOverride,
              "lumeno-api.localhost:" + std::to_string(service_.ApiPort()));
    PromptAnswer prompt(QStringLiteral("立即安装更新"));
    Offer("version=9.0.0.0");
    statuses_.clear();
    EXPECT_EQ(CheckFromAboutDialog().back(), QString::fromUtf8(kUpdateRefusedText));
    EXPECT_EQ(statuses_, std::vector<UpdateStatus>{UpdateStatus::Refused}) << "nothing was asked";
    EXPECT_EQ(InstallerDownloads(), 0);
    EXPECT_EQ(prompt.shown, 0);
}

// An https installer address that redirects to plain http (even on this machine) is not followed:
// the check fails and nothing is fetched over http or started. Redirected to https instead, the
// same address gives the installer, which is then installed.
TEST_F(UpdateOverHttpsTest, ARedirectOfTheInstallerToPlainHttpIsNotFollowed) {
    PromptAnswer prompt(QStringLiteral("立即安装更新"));
    const std::string redirect =
        "https://127.0.0.1:" + std::to_string(service_.TlsPort()) + "/admin/redirect?to=";
    Offer("version=9.0.0.0&url=" + Encoded(redirect + Encoded(InstallerUrl("http"))));
    statuses_.clear();
    EXPECT_EQ(CheckFromAboutDialog().back(), QStringLiteral("检查出错请重试"));
    EXPECT_EQ(statuses_,
              (std::vector<UpdateStatus>{UpdateStatus::Checking, UpdateStatus::Downloading,
                                         UpdateStatus::Failed}));
    EXPECT_EQ(InstallerDownloads(), 0) << "the plain http address was fetched";
    EXPECT_FALSE(InstallerPresent());
    EXPECT_EQ(prompt.shown, 0);

    Offer("url=" + Encoded(redirect + Encoded(InstallerUrl("https"))));
    EXPECT_EQ(CheckFromAboutDialog().back(), QStringLiteral("有新版本可以更新"));
    EXPECT_EQ(InstallerDownloads(), 1);
    EXPECT_EQ(prompt.shown, 1);
    EXPECT_TRUE(PumpUntil([&] { return Installed(); }, 10s));
}

// The program's own way out once the installer runs: the about dialog it was started from
// closes and the main window quits.
TEST_F(UpdateCheckTest, LeavingForTheInstallerClosesTheDialogsAndEndsTheMainWindow) {
    app::InstallUpdateChecker();
    QTimer::singleShot(200, [] { app::LeaveForInstaller(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (auto* left = dynamic_cast<CDlgAbout*>(platform::WindowFromHandle(
                platform::FindWindowByClass(CDlgAbout::WindowClassName())))) {
            ADD_FAILURE() << "the about dialog stayed";
            left->EndDialog(IDOK);
        }
    });
    guard.start(10000);
    CDlgAbout().DoModal(Main().m_hWnd);
    EXPECT_TRUE(PumpUntil([] { return !Main().IsWindow(); }, 10s)) << "the main window quits";
}

}  // namespace
}  // namespace lumeno::test
