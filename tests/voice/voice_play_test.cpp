// Voice clips played from the chat window against the local service, in the real web engine, on
// a sound device of the test's own (tests/voice/with_sound_device.sh: a null sink of a private
// sound server), and once without any sound device.

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <utility>
#include <vector>

#include "api/api_controller.h"
#include "api/login.h"
#include "api/voice_player.h"
#include "platform/audio_output.h"
#include "platform/directories.h"
#include "platform/private_files.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/build_tree.h"
#include "tests/support/chat_window.h"

namespace {

using lumeno::test::ChatWindowTest;
using lumeno::test::PumpUntil;
using namespace std::chrono_literals;

// Every voice event in order, with the number of open outputs at that moment.
class VoiceEvents final : private IDBEventListener {
  public:
    VoiceEvents() { CApiController::Instance().Events().Subscribe(db_event::kVoicePlayback, this); }
    virtual ~VoiceEvents() {
        CApiController::Instance().Events().Unsubscribe(db_event::kVoicePlayback, this);
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> seen;
    int mostOpen = 0;

    // Where (id, state) first occurs, or -1.
    int IndexOf(std::int32_t id, std::int32_t state) const {
        for (size_t i = 0; i < seen.size(); ++i)
            if (seen[i] == std::make_pair(id, state)) return static_cast<int>(i);
        return -1;
    }

  private:
    void OnDBEvent(std::uint32_t, std::int32_t first, std::int32_t second) override {
        seen.emplace_back(first, second);
        mostOpen = std::max(mostOpen, platform::ClipOutput::OpenOutputs());
    }
};

class VoicePlayTest : public ChatWindowTest {
  protected:
    // A voice message from the peer of `conversation`, its clip of `kind`; its id once here.
    std::int32_t SendClip(std::int32_t conversation, const std::string& kind, int seconds) {
        const ConversationRecord* c = CDBMsgDlg::Instance().FindConversation(conversation);
        EXPECT_NE(c, nullptr);
        if (!c) return 0;
        const std::string answer = service_.Get("/admin/voice?mid=" + std::to_string(conversation) +
                                                "&from=" + PeerOf(*c) + "&kind=" + kind +
                                                "&seconds=" + std::to_string(seconds));
        const std::int32_t id =
            QJsonDocument::fromJson(QByteArray::fromStdString(answer)).object()["id"].toInt();
        EXPECT_GT(id, 0) << answer;
        EXPECT_TRUE(
            PumpUntil([&] { return CDBMsgDlg::Instance().FindMessage(id) != nullptr; }, 30s));
        return id;
    }
    bool Heard(std::int32_t id) {
        const std::string answer = service_.Get("/admin/audio?did=" + std::to_string(id) +
                                                "&qxid=" + CDBLogin::Instance().Record().qxid);
        return QJsonDocument::fromJson(QByteArray::fromStdString(answer))
            .object()["played"]
            .toBool();
    }
    static QString Clip(std::int32_t id) {
        return QStringLiteral(".row[data-id=\"%1\"] .voice").arg(id);
    }
    static bool Shows(CDlgMessage& window, const QString& selector) {
        return Eval(window, QStringLiteral("document.querySelector('%1')!==null").arg(selector))
            .toBool();
    }
    static bool Playing(CDlgMessage& window, std::int32_t id) {
        return Shows(window, QStringLiteral(".row[data-id=\"%1\"] .voice.playing").arg(id));
    }
    static bool Dot(CDlgMessage& window, std::int32_t id) {
        return Shows(window, QStringLiteral(".row[data-id=\"%1\"] .unread-dot").arg(id));
    }
    static QString Failure(CDlgMessage& window, std::int32_t id) {
        return Eval(window, QStringLiteral("(function(){var e=document.querySelector("
                                           "'.row[data-id=\"%1\"] .voice-failed');"
                                           "return e?e.textContent:'';})()")
                                .arg(id))
            .toString();
    }
};

TEST_F(VoicePlayTest, AClickedClipPlaysIsMarkedHeardOnTheServiceAndEnds) {
    SignInDemo();
    const std::int32_t conversation = BusiestConversation();
    const std::int32_t unheard = SendClip(conversation, "sound", 12);
    const std::int32_t id = SendClip(conversation, "sound", 3);
    ASSERT_EQ(CDBMsgDlg::Instance().FindMessage(id)->unread, 1);
    auto window = Open(conversation);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady() && Dot(*window, id); }));
    VoiceEvents events;

    ASSERT_TRUE(ClickInPage(*window, Clip(id)));
    ASSERT_TRUE(PumpUntil([&] { return Playing(*window, id); }, 15s));
    EXPECT_EQ(CApiController::Instance().playingVoice, id);
    EXPECT_TRUE(platform::ClipOutput::Instance().Playing());
    // Heard: the dot goes, here and on the service.
    ASSERT_TRUE(PumpUntil([&] { return !Dot(*window, id); }, 10s));
    EXPECT_TRUE(Dot(*window, unheard));
    EXPECT_EQ(CDBMsgDlg::Instance().FindMessage(id)->unread, 0);
    EXPECT_TRUE(Heard(id));
    ASSERT_TRUE(Playing(*window, id));
    PumpUntil([] { return false; }, 300ms);
    QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
    window->Widget()->grab().save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                                  QStringLiteral("/voice-playing.png"));

    // The decoded samples are kept in the account's audio folder: 150 frames of 640 bytes.
    const std::string file =
        platform::JoinPath(AccountDirectory("audio"), std::to_string(id) + ".speex");
    EXPECT_EQ(platform::FileSize(file), 150 * 640);

    // The clip ends by itself, and what was held for it is freed.
    ASSERT_TRUE(PumpUntil([&] { return !Playing(*window, id); }, 15s));
    EXPECT_EQ(CApiController::Instance().playingVoice, 0);
    EXPECT_EQ(platform::ClipOutput::OpenOutputs(), 0);
    EXPECT_EQ(platform::ClipOutput::Instance().HeldBytes(), 0u);
    ASSERT_FALSE(events.seen.empty());
    EXPECT_EQ(events.seen.front(), std::make_pair(id, db_event::kStarted));
    EXPECT_EQ(events.seen.back(), std::make_pair(id, db_event::kDone));
    EXPECT_EQ(events.IndexOf(id, db_event::kFailed), -1);
    window->DestroyWindow();
}

TEST_F(VoicePlayTest, BrokenClipsFailWithAMessageAndStayUnheard) {
    SignInDemo();
    const std::int32_t conversation = BusiestConversation();
    const QString broken = QStringLiteral("语音文件已损坏，无法播放");
    const QString incomplete = QStringLiteral("语音文件不完整，无法播放");
    const std::vector<std::pair<std::string, QString>> kinds = {
        {"zero", broken},
        {"huge", broken},
        {"negative", broken},
        {"random", broken},
        {"cut", incomplete},
        {"header", incomplete},
        {"missing", QStringLiteral("语音下载失败，请稍后再试")}};
    std::vector<std::int32_t> ids;
    for (const auto& [kind, text] : kinds)
        ids.push_back(SendClip(conversation, kind, 1));
    auto window = Open(conversation);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady() && Dot(*window, ids.front()); }));
    VoiceEvents events;
    for (size_t i = 0; i < kinds.size(); ++i) {
        const std::int32_t id = ids[i];
        ASSERT_TRUE(ClickInPage(*window, Clip(id))) << kinds[i].first;
        ASSERT_TRUE(PumpUntil([&] { return !Failure(*window, id).isEmpty(); }, 15s))
            << kinds[i].first;
        EXPECT_EQ(Failure(*window, id), kinds[i].second) << kinds[i].first;
        EXPECT_TRUE(Dot(*window, id)) << kinds[i].first;
        EXPECT_EQ(CDBMsgDlg::Instance().FindMessage(id)->unread, 1) << kinds[i].first;
        EXPECT_FALSE(Heard(id)) << kinds[i].first;
        EXPECT_EQ(events.IndexOf(id, db_event::kStarted), -1) << kinds[i].first;
        EXPECT_EQ(platform::ClipOutput::OpenOutputs(), 0) << kinds[i].first;
    }
    EXPECT_EQ(CApiController::Instance().playingVoice, 0);
    // The window still works: a good clip after them plays. The service refuses to hear of
    // it, so it keeps its mark, here and there.
    const std::int32_t good = SendClip(conversation, "sound", 1);
    ASSERT_TRUE(PumpUntil([&] { return Dot(*window, good); }, 30s));
    service_.Get("/admin/fault?kind=http500&path=/lumeno/msg/v3/clear_audio_unread&count=1");
    ASSERT_TRUE(ClickInPage(*window, Clip(good)));
    ASSERT_TRUE(PumpUntil([&] { return events.IndexOf(good, db_event::kStarted) >= 0; }, 15s));
    ASSERT_TRUE(PumpUntil([&] { return events.IndexOf(good, db_event::kDone) >= 0; }, 15s));
    PumpUntil([] { return false; }, 500ms);
    EXPECT_TRUE(Dot(*window, good));
    EXPECT_EQ(CDBMsgDlg::Instance().FindMessage(good)->unread, 1);
    EXPECT_FALSE(Heard(good));
    EXPECT_EQ(Failure(*window, ids.front()), broken);
    window->DestroyWindow();
}

// No sound device at all (the script gives this test no sound server): the clip cannot be heard,
// so it fails with the reason under it, and stays unheard here and on the service.
TEST_F(VoicePlayTest, AClipWithoutASoundDeviceFailsAndStaysUnheard) {
    SignInDemo();
    const std::int32_t conversation = BusiestConversation();
    const std::int32_t id = SendClip(conversation, "sound", 2);
    auto window = Open(conversation);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady() && Dot(*window, id); }));
    VoiceEvents events;
    ASSERT_TRUE(ClickInPage(*window, Clip(id)));
    ASSERT_TRUE(PumpUntil([&] { return !Failure(*window, id).isEmpty(); }, 15s));
    EXPECT_EQ(Failure(*window, id), QStringLiteral("没有可用的声音输出设备，无法播放语音"));
    EXPECT_EQ(events.IndexOf(id, db_event::kStarted), -1);
    EXPECT_GE(events.IndexOf(id, db_event::kFailed), 0);
    PumpUntil([] { return false; }, 500ms);
    EXPECT_TRUE(Dot(*window, id));
    EXPECT_EQ(CDBMsgDlg::Instance().FindMessage(id)->unread, 1);
    EXPECT_FALSE(Heard(id));
    EXPECT_EQ(CApiController::Instance().playingVoice, 0);
    EXPECT_EQ(platform::ClipOutput::OpenOutputs(), 0);
    window->DestroyWindow();
}

TEST_F(VoicePlayTest, ASecondClipStopsTheFirstAndClosingTheWindowOrSigningOutStopsItsClip) {
    SignInDemo();
    const std::int32_t conversation = BusiestConversation();
    const std::int32_t first = SendClip(conversation, "sound", 4);
    const std::int32_t second = SendClip(conversation, "sound", 4);
    auto window = Open(conversation);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady() && Dot(*window, second); }));
    VoiceEvents events;

    ASSERT_TRUE(ClickInPage(*window, Clip(first)));
    ASSERT_TRUE(PumpUntil([&] { return Playing(*window, first); }, 15s));
    ASSERT_TRUE(ClickInPage(*window, Clip(second)));
    ASSERT_TRUE(PumpUntil([&] { return Playing(*window, second); }, 15s));
    EXPECT_FALSE(Playing(*window, first));
    // The first was stopped before the second opened; never two outputs at once.
    const int firstStopped = events.IndexOf(first, db_event::kDone);
    const int secondStarted = events.IndexOf(second, db_event::kStarted);
    ASSERT_GE(firstStopped, 0);
    ASSERT_GE(secondStarted, 0);
    EXPECT_LT(firstStopped, secondStarted);
    EXPECT_LE(events.mostOpen, 1);
    EXPECT_EQ(platform::ClipOutput::OpenOutputs(), 1);
    EXPECT_EQ(CApiController::Instance().playingVoice, second);

    // A click on the playing clip stops it and does not start it again.
    ASSERT_TRUE(ClickInPage(*window, Clip(second)));
    ASSERT_TRUE(PumpUntil([&] { return !Playing(*window, second); }, 10s));
    PumpUntil([] { return false; }, 1s);
    EXPECT_FALSE(Playing(*window, second));
    EXPECT_EQ(CApiController::Instance().playingVoice, 0);
    EXPECT_EQ(platform::ClipOutput::OpenOutputs(), 0);
    const auto stopped = events.seen.size();

    // A window opened while a clip plays shows it playing; closing it stops the clip.
    ASSERT_TRUE(ClickInPage(*window, Clip(first)));
    ASSERT_TRUE(PumpUntil([&] { return Playing(*window, first); }, 15s));
    ASSERT_GT(events.seen.size(), stopped);
    auto again = Open(conversation);
    ASSERT_TRUE(PumpUntil([&] { return again->PageReady() && Playing(*again, first); }));
    again->DestroyWindow();
    EXPECT_EQ(CApiController::Instance().playingVoice, 0);
    EXPECT_EQ(platform::ClipOutput::OpenOutputs(), 0);
    ASSERT_TRUE(
        PumpUntil([&] { return events.seen.back() == std::make_pair(first, db_event::kDone); }));
    EXPECT_TRUE(PumpUntil([&] { return !Playing(*window, first); }));
    EXPECT_EQ(events.mostOpen, 1);
    window->DestroyWindow();

    // Signing out while a clip plays silences it without an event.
    PlayVoice(second);
    ASSERT_TRUE(PumpUntil(
        [&] { return events.seen.back() == std::make_pair(second, db_event::kStarted); }, 15s));
    const auto beforeSignOut = events.seen.size();
    Main().ReturnToLogin(false);
    EXPECT_EQ(CApiController::Instance().playingVoice, 0);
    EXPECT_EQ(platform::ClipOutput::OpenOutputs(), 0);
    PumpUntil([] { return false; }, 500ms);
    EXPECT_EQ(events.seen.size(), beforeSignOut);
}

}  // namespace
