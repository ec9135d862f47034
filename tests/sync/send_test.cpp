// Sending: what goes into the form, pictures scaled before upload, refusals, and the small
// helpers of the chat window. Against a scripted service that records every request.
#include "api/send_message.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "api/api_controller.h"
#include "api/login.h"
#include "api/sign_in.h"
#include "config/config.h"
#include "platform/picture_file.h"
#include "platform/ui_thread.h"
#include "storage/msg_dlg_store.h"
#include "storage/sqlite_component.h"
#include "tests/support/client_window.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_dir.h"
#include "util/small_components.h"

namespace {

using lumeno::test::HttpAnswer;
using lumeno::test::RawHttpServer;
using lumeno::test::ScriptedAnswer;
using namespace std::chrono_literals;

// The form fields of a multipart body, by name.
std::map<std::string, std::string> Fields(const std::string& request) {
    std::map<std::string, std::string> fields;
    const std::string body = lumeno::test::RequestBody(request);
    std::regex part("name=\"([^\"]+)\"(?:; filename=\"[^\"]*\")?\r\n\r\n");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), part);
         it != std::sregex_iterator(); ++it) {
        const std::size_t start = static_cast<std::size_t>(it->position() + it->length());
        const std::size_t end = body.find("\r\n--", start);
        fields[(*it)[1]] = body.substr(start, end - start);
    }
    return fields;
}

TEST(UploadSize, LargePicturesAreScaledOnTheirSmallerSide) {
    auto size = [](int w, int h) {
        UploadSize s = ScaledUploadSize(w, h);
        return std::to_string(s.width) + "x" + std::to_string(s.height);
    };
    EXPECT_EQ(size(2000, 1000), "960x480");
    EXPECT_EQ(size(1000, 2000), "480x960");
    EXPECT_EQ(size(3000, 1000), "2880x960");
    EXPECT_EQ(size(5000, 900), "5000x900");
    EXPECT_EQ(size(961, 100), "961x100");
    EXPECT_EQ(size(960, 960), "960x960");
    EXPECT_EQ(size(1500, 1500), "960x960");
    EXPECT_EQ(size(0, 1200), "0x1200");
}

class SendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::UseTempDataHome(dir_);
        RegisterComponentTable(kUtilComponentTable);
        RegisterComponentTable(kStorageComponentTable);
        GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr));
        WriteConfigString("main", "online", "0");
        WriteConfigString("main", "msg", "127.0.0.1:" + std::to_string(server_.Port()));
        window_ = std::make_unique<lumeno::test::ClientWindow>();
        ConversationRecord& pair = CDBMsgDlg::Instance().ConversationFor(7);
        pair.type = 2;
        pair.member_ids = {"6"};
        ConversationRecord& group = CDBMsgDlg::Instance().ConversationFor(8);
        group.type = 3;
        group.member_ids = {"6", "10002"};
    }
    void TearDown() override {
        CApiController::Instance().PendingSends().clear();
        CDBMsgDlg::Instance().Clear();
        CDBLogin::Instance().Record().Clear();
        window_.reset();
    }
    // Sends and waits for the request to arrive.
    std::string Send(const MessageRecord& message, bool picture = false) {
        const std::size_t before = server_.RequestCount();
        AdvanceSendSequence();
        if (picture) {
            EXPECT_TRUE(SendPictureMessage(message));
        } else {
            SendTextMessage(message);
        }
        EXPECT_TRUE(
            platform::PumpMessagesUntil([&] { return server_.RequestCount() > before; }, 30s));
        return server_.RequestCount() > before ? server_.Requests().back() : std::string();
    }

    lumeno::test::TempDir dir_;
    std::string answer_ = R"({"result":"ok","id":1})";
    RawHttpServer server_{
        [this](const std::string&) { return ScriptedAnswer{HttpAnswer(200, answer_)}; }};
    std::unique_ptr<lumeno::test::ClientWindow> window_;
};

TEST_F(SendTest, EmptyTextWithoutPictureSendsOnlyConversationAndHash) {
    MessageRecord message;
    message.mid = 7;
    const auto fields = Fields(Send(message));
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields.at("mid"), "7");
    EXPECT_TRUE(std::regex_match(fields.at("msghash"), std::regex("[0-9a-f]{32}[0-9]+")));
}

TEST_F(SendTest, TextMentionsAndAnonymityGoIntoTheForm) {
    ToggleAnonymous(8);
    MessageRecord message;
    message.mid = 8;
    message.text = "你好 @张伟";
    message.mentioned_ids = {"10002", "10003"};
    const std::string request = Send(message);
    EXPECT_NE(request.find("POST /lumeno/msg/v3/add_dialogue?u="), std::string::npos);
    const auto fields = Fields(request);
    EXPECT_EQ(fields.at("text"), "你好 @张伟");
    EXPECT_EQ(fields.at("atuids"), "10002,10003");
    EXPECT_EQ(fields.at("is_anony"), "1");
}

TEST_F(SendTest, LargePictureIsUploadedScaledAndTheCopyRemoved) {
    QImage wide(2000, 1000, QImage::Format_RGB32);
    wide.fill(Qt::darkCyan);
    const std::string path = dir_ / "wide.png";
    ASSERT_TRUE(wide.save(QString::fromStdString(path)));
    MessageRecord message;
    message.mid = 7;
    message.file.local_path = path;
    const auto fields = Fields(Send(message, true));
    EXPECT_EQ(fields.at("xsize"), "960");
    EXPECT_EQ(fields.at("ysize"), "480");
    const std::string uploaded = dir_ / "uploaded.jpg";
    std::ofstream(uploaded, std::ios::binary) << fields.at("pic");
    auto size = platform::ReadPictureSize(uploaded);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 960);
    EXPECT_EQ(size->height, 480);
    platform::PumpMessagesUntil([] { return false; }, 100ms);
    EXPECT_TRUE(std::filesystem::exists(path)) << "the user's file is left alone";
    const auto upload = std::filesystem::path(dir_ / "data/Lumeno/Upload");
    EXPECT_TRUE(!std::filesystem::exists(upload) || std::filesystem::is_empty(upload))
        << "the scaled copy is gone";
}

TEST_F(SendTest, PictureThatCannotBeScaledGoesAsTheOriginalWithItsOwnSize) {
    QImage wide(2000, 1000, QImage::Format_RGB32);
    wide.fill(Qt::darkCyan);
    const std::string path = dir_ / "wide.png";
    ASSERT_TRUE(wide.save(QString::fromStdString(path)));
    // A file where the folder of scaled copies belongs: the copy cannot be written.
    std::filesystem::create_directories(dir_ / "data/Lumeno");
    std::ofstream(dir_ / "data/Lumeno/Upload") << "in the way";
    MessageRecord message;
    message.mid = 7;
    message.file.local_path = path;
    const auto fields = Fields(Send(message, true));
    EXPECT_EQ(fields.at("xsize"), "2000");
    EXPECT_EQ(fields.at("ysize"), "1000");
    std::ifstream original(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(original)), {});
    EXPECT_EQ(fields.at("pic"), bytes);
    const MessageRecord& pending =
        CApiController::Instance().PendingSends().at(CurrentSendSequence());
    EXPECT_EQ(pending.file.xsize, 2000);
    EXPECT_EQ(pending.file.local_path, path);
}

TEST_F(SendTest, SignOutStopsASendSoItNeverPostsUnderTheNextAccount) {
    LoginRecord& login = CDBLogin::Instance().Record();
    login.qxid = "10001";
    login.token = "first-account-token";
    QImage wide(2000, 1000, QImage::Format_RGB32);
    wide.fill(Qt::darkCyan);
    const std::string path = dir_ / "wide.png";
    ASSERT_TRUE(wide.save(QString::fromStdString(path)));
    MessageRecord message;
    message.mid = 7;
    message.file.local_path = path;
    lumeno::test::EventRecorder events(db_event::kSending);
    AdvanceSendSequence();
    ASSERT_TRUE(SendPictureMessage(message));  // the picture is being scaled on a worker
    SignOut();
    // The next account has a conversation with the same id.
    login.qxid = "10002";
    login.token = "second-account-token";
    ConversationRecord& next = CDBMsgDlg::Instance().ConversationFor(7);
    next.type = 2;
    next.member_ids = {"10005"};
    ASSERT_TRUE(platform::PumpMessagesUntil(
        [] { return CAsyncWorkFlow::FreeFiberCount() == CAsyncWorkFlow::FiberCount(); }, 30s))
        << "every flow has ended";
    EXPECT_EQ(server_.RequestCount(), 0u);
    EXPECT_TRUE(events.events.empty());
    EXPECT_TRUE(CApiController::Instance().PendingSends().empty());
    const auto upload = std::filesystem::path(dir_ / "data/Lumeno/Upload");
    EXPECT_TRUE(!std::filesystem::exists(upload) || std::filesystem::is_empty(upload))
        << "the scaled copy is gone";
}

TEST_F(SendTest, RefusedSendIsReportedWithTheServicesError) {
    answer_ = R"({"result":"error","error_code":10005,"error_msg":"消息过长"})";
    lumeno::test::EventRecorder events(db_event::kSending);
    MessageRecord message;
    message.mid = 7;
    message.text = "x";
    Send(message);
    const std::int32_t localNumber = CurrentSendSequence();
    ASSERT_TRUE(
        platform::PumpMessagesUntil([&] { return events.Saw(db_event::kSending, 3); }, 30s));
    EXPECT_EQ(events.events[0].first, localNumber);
    EXPECT_EQ(events.events[0].second, db_event::kStarted);
    const ErrorRecord* error = CApiController::Instance().LastErrorOf(db_event::kSending);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->error_code, 10005);
    EXPECT_EQ(CApiController::Instance().PendingSends().count(localNumber), 1u)
        << "kept: the service may still have stored it";
}

TEST_F(SendTest, QuickSendsGetDifferentHashesAndUnknownConversationsSendNothing) {
    MessageRecord message;
    message.mid = 7;
    std::set<std::string> hashes;
    for (int i = 0; i < 3; ++i)
        hashes.insert(Fields(Send(message)).at("msghash"));
    EXPECT_EQ(hashes.size(), 3u);
    const std::size_t before = server_.RequestCount();
    message.mid = 404;
    SendTextMessage(message);
    EXPECT_FALSE(SendPictureMessage(message));
    platform::PumpMessagesUntil([] { return false; }, 200ms);
    EXPECT_EQ(server_.RequestCount(), before);
}

TEST_F(SendTest, PcSuffixOnlyForTheFeedbackAccountAndAnonymityToggles) {
    std::string text = "反馈";
    AppendPcSuffix(text, 7);
    EXPECT_EQ(text, "反馈  (来自PC版)");
    std::string other = "x";
    AppendPcSuffix(other, 8);
    AppendPcSuffix(other, 404);
    EXPECT_EQ(other, "x");

    lumeno::test::EventRecorder events(db_event::kConversationLookup);
    ToggleAnonymous(7);
    ToggleAnonymous(7);
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(7)->me_is_anony, 0);
    platform::PumpMessagesUntil([&] { return events.events.size() == 2; }, 5s);
    EXPECT_EQ(events.events.size(), 2u);
}

}  // namespace
