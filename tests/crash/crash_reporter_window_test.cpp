// The crash reporter's window as the user meets it: its caption and question, the report it
// would send, the keyboard on "发送"; sending keeps the small report in the dump folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/crash/crash_names.h"
#include "app/crash_reporter/dlg_crash_report.h"
#include "app/crash_reporter/report_files.h"
#include "platform/window.h"
#include "tests/support/build_tree.h"
#include "tests/support/client_components.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/temp_dir.h"
#include "toolkit/skin/skin_colors.h"

namespace lumeno::test {
namespace {

namespace fs = std::filesystem;

const char kReport[] =
    "Lumeno crash report\n"
    "version: 1.0.0.1\n"
    "time: 2026-12-10 09:41:27.512\n"
    "process: 48211\n"
    "reason: signal 11 SIGSEGV, address 0x0\n"
    "\n"
    "thread 48230 (crashed):\n"
    "  #0 0x000055d6c1a3e1a4 lumeno::crash::NullWriteOnPoolThread(void*)+0x4 (lumeno)\n"
    "  #1 0x000055d6c1b90f12 platform::WorkerLoop()+0x92 (lumeno)\n"
    "  #2 0x00007f3a2e4a8134 start_thread+0x2f4 (libc.so.6)\n"
    "  #3 0x00007f3a2e5287dc __clone3+0x2c (libc.so.6)\n";

bool HasNode(const UiNodeList& nodes, const QString& name, UiRect* rect = nullptr) {
    for (const UiNode& node : nodes) {
        if (node.name != name) continue;
        if (rect) *rect = node.rect;
        return true;
    }
    return false;
}

void SaveShot(CDlgCrashReport& dialog) {
    QWidget* widget = dialog.Widget();
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(image.pixelColor(dialog.ClientOrigin() + QPoint(60, 4)), palette::kBrand)
        << "the top bar";
    QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
    EXPECT_TRUE(image.save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                           QStringLiteral("/crash-reporter.png")));
}

class CrashReporterWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        PrepareClientComponents(QString::fromUtf8(lumeno::test::build::SkinDir()));
    }
    void SetUp() override { UseTempDataHome(dir_); }

    TempDir dir_;
};

TEST_F(CrashReporterWindowTest, AsksItsQuestionShowsTheReportAndSendingKeepsIt) {
    const fs::path dump = fs::path(dir_.Path()) / crash::kDumpFolder;
    const fs::path small = fs::path(dir_.Path()) / "lumeno_dump_s_1.0.0.1_1210094127_5512.dmp";
    std::ofstream(small) << kReport;

    WhenShown<CDlgCrashReport>([](CDlgCrashReport& dialog) {
        EXPECT_EQ(dialog.GetWindowText(), QString::fromUtf8(crash::kReporterCaption));
        const UiNodeList nodes = dialog.Describe();
        EXPECT_TRUE(HasNode(nodes, QString::fromUtf8(crash::kReporterQuestion)));
        // Every line of the report fits and is shown, the crashing function among them.
        for (const char* line :
             {"reason: signal 11 SIGSEGV, address 0x0",
              "  #0 0x000055d6c1a3e1a4 lumeno::crash::NullWriteOnPoolThread(void*)+0x4 (lumeno)",
              "  #3 0x00007f3a2e5287dc __clone3+0x2c (libc.so.6)"}) {
            EXPECT_TRUE(HasNode(nodes, QString::fromUtf8(line))) << line;
        }
        UiRect send;
        ASSERT_TRUE(HasNode(nodes, QStringLiteral("发送"), &send));
        EXPECT_TRUE(HasNode(nodes, QStringLiteral("不发送")));
        EXPECT_EQ(dialog.FocusRect(), send) << "the keyboard starts on 发送";
        SaveShot(dialog);
        QTest::keyClick(dialog.Widget(), Qt::Key_Return);
    });
    CDlgCrashReport dialog(QString::fromStdString(crash::ReadReport(small.string())));
    ASSERT_EQ(dialog.DoModal(nullptr), CDlgCrashReport::kSend);

    ASSERT_TRUE(crash::KeepForSending(small.string(), dump.string()));
    EXPECT_FALSE(fs::exists(small));
    EXPECT_EQ(crash::ReadReport((dump / small.filename()).string()), kReport);
}

TEST_F(CrashReporterWindowTest, EscapeAndNotSendingAnswerDontSend) {
    WhenShown<CDlgCrashReport>(
        [](CDlgCrashReport& dialog) { QTest::keyClick(dialog.Widget(), Qt::Key_Escape); });
    EXPECT_EQ(CDlgCrashReport(kReport).DoModal(nullptr), CDlgCrashReport::kDontSend);

    WhenShown<CDlgCrashReport>([](CDlgCrashReport& dialog) {
        QTest::keyClick(dialog.Widget(), Qt::Key_Tab, Qt::ShiftModifier);
        QTest::keyClick(dialog.Widget(), Qt::Key_Return);
    });
    EXPECT_EQ(CDlgCrashReport(kReport).DoModal(nullptr), CDlgCrashReport::kDontSend);
}

}  // namespace
}  // namespace lumeno::test
