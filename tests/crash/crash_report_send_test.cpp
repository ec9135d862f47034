// The crash reporter's answer as the user gives it, against the local service: "发送" keeps the
// small report in the dump folder and sends it to the service, and the user is told whether it
// went; when the service is down or refuses it, the user is told so and the report stays kept.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <fstream>

#include "api/json_access.h"
#include "app/crash/crash_names.h"
#include "app/crash_reporter/dlg_crash_report.h"
#include "app/crash_reporter/report_answer.h"
#include "app/crash_reporter/report_files.h"
#include "net/server_settings.h"
#include "platform/directories.h"
#include "tests/support/box_catcher.h"
#include "tests/support/build_tree.h"
#include "tests/support/client_components.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/local_service.h"
#include "tests/support/temp_dir.h"

namespace lumeno::test {
namespace {

namespace fs = std::filesystem;

const char kSmallReport[] =
    "Lumeno crash report\n"
    "version: 1.0.0.1\n"
    "reason: signal 11 SIGSEGV, address 0x0\n"
    "\n"
    "thread 48230 (crashed):\n"
    "  #0 0x000055d6c1a3e1a4 lumeno::crash::NullWriteOnPoolThread(void*)+0x4 (lumeno)\n";

class CrashReportSendTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        PrepareClientComponents(QString::fromUtf8(lumeno::test::build::SkinDir()));
    }
    void SetUp() override {
        UseTempDataHome(dir_);
        data_ = platform::DataDirectory();
        dump_ = fs::path(data_) / crash::kDumpFolder;
        fs::create_directories(dump_);
        full_ = dump_ / crash::kFullReportName;
        small_ = fs::path(data_) / "lumeno_dump_s_1.0.0.1_1210094127_5512.dmp";
        std::ofstream(full_) << "full report\n";
        std::ofstream(small_) << kSmallReport;
        service_.PointClientHere();
    }

    // Presses "发送" in the reporter's window and answers the notice that follows, keeping it.
    crash::ReportFate Send() {
        WhenShown<CDlgCrashReport>(
            [](CDlgCrashReport& dialog) { QTest::keyClick(dialog.Widget(), Qt::Key_Return); });
        BoxCatcher boxes;
        const crash::ReportFate fate = crash::AnswerCrashReport(
            full_.string(), small_.string(), crash::SkinnedWindows(), ServerSettings::Load());
        EXPECT_EQ(boxes.boxes.size(), 1u) << "one notice";
        notice_ = boxes.boxes.empty() ? QString() : boxes.boxes.front().text;
        return fate;
    }
    Json::Value Received() const {
        Json::Value root;
        EXPECT_TRUE(ParseJson(service_.Get("/admin/crash_reports"), root));
        return root["reports"];
    }
    fs::path Kept() const { return dump_ / small_.filename(); }

    TempDir dir_;
    LocalService service_{{.seed = "none"}};
    std::string data_;
    fs::path dump_, full_, small_;
    QString notice_;
};

TEST_F(CrashReportSendTest, SendingDeliversTheKeptReportAndSaysSo) {
    EXPECT_EQ(Send(), crash::ReportFate::kSent);
    EXPECT_EQ(notice_, QString::fromUtf8(crash::kReportSentText));
    EXPECT_FALSE(fs::exists(small_));
    ASSERT_TRUE(fs::exists(Kept())) << "kept in the dump folder as well";
    const Json::Value received = Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0]["report"].asString(), crash::ReadReport(Kept().string()));
    EXPECT_EQ(received[0]["report"].asString(), kSmallReport);
    EXPECT_EQ(received[0]["name"].asString(), small_.filename().string());
    EXPECT_EQ(received[0]["version"].asString(), ProgramFileVersion());
}

// Down, or refusing: the user is told that it did not go and where it is kept.
TEST_F(CrashReportSendTest, AReportThatCouldNotBeSentIsKeptAndTheUserIsTold) {
    service_.Get("/admin/fault?kind=http500&path=/lumeno/crash/upload&count=1");
    EXPECT_EQ(Send(), crash::ReportFate::kKeptNotSent);
    EXPECT_TRUE(notice_.startsWith(QString::fromUtf8(crash::kReportNotSentText)));
    EXPECT_TRUE(notice_.contains(QString::fromUtf8(crash::kRefusedReason)));
    EXPECT_TRUE(notice_.contains(QString::fromStdString(dump_.string()))) << "says where it is";
    EXPECT_EQ(crash::ReadReport(Kept().string()), kSmallReport);
    EXPECT_EQ(Received().size(), 0u);

    // The next crash's report, with the service gone.
    std::ofstream(small_) << kSmallReport << "second\n";
    service_.Stop();
    EXPECT_EQ(Send(), crash::ReportFate::kKeptNotSent);
    EXPECT_TRUE(notice_.startsWith(QString::fromUtf8(crash::kReportNotSentText)));
    EXPECT_TRUE(notice_.contains(QString::fromUtf8(crash::kNoConnectionReason)));
    EXPECT_TRUE(notice_.contains(QString::fromStdString(dump_.string())));
    EXPECT_EQ(crash::ReadReport(Kept().string()), std::string(kSmallReport) + "second\n");
}

}  // namespace
}  // namespace lumeno::test
