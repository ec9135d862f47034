// Starting without a skin directory shows one message box and nothing else, then ends with 0.
// This test program lives in a folder of its own without a skin directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/startup.h"
#include "modal_box_watcher.h"
#include "platform/directories.h"
#include "platform/window.h"
#include "tests/support/temp_dir.h"
#include "ui/main/main_wnd.h"

namespace {

void ArmWatcher() { lumeno::test::ArmModalBoxWatcher(); }
Q_COREAPP_STARTUP_FUNCTION(ArmWatcher)

class SkinCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::UseTempDataHome(dir_);
        skin_ = platform::JoinPath(platform::ProgramDirectory(), "skin");
        std::filesystem::remove_all(skin_);
    }
    void TearDown() override { std::filesystem::remove_all(skin_); }

    void ExpectOnlyTheSkinBox(int exitCode) {
        EXPECT_EQ(exitCode, 0);
        const auto& boxes = lumeno::test::SeenBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, lumeno::app::kSkinMissingText);
        EXPECT_EQ(boxes[0].text, "皮肤文件丢失了，亲~~");
        EXPECT_EQ(boxes[0].caption, "Lumeno提醒");
        EXPECT_EQ(boxes[0].otherTopLevelWindows, 0);
        EXPECT_EQ(platform::FindWindowByClass(CMainWnd::kClassName), nullptr);
    }

    lumeno::test::TempDir dir_;
    std::string skin_;
};

TEST_F(SkinCheckTest, MissingSkinDirectoryShowsOnlyTheMessageBox) {
    char name[] = "lumeno";
    char* argv[] = {name, nullptr};
    ExpectOnlyTheSkinBox(lumeno::app::RunClient(1, argv));
}

TEST_F(SkinCheckTest, FileNamedSkinIsNotASkinDirectory) {
    std::ofstream(skin_) << "not a directory";
    char name[] = "lumeno";
    char autostart[] = "/autostart";
    char* argv[] = {name, autostart, nullptr};
    ExpectOnlyTheSkinBox(lumeno::app::RunClient(2, argv));
}

}  // namespace
