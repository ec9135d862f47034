#include "api/voice_player.h"

#include <map>
#include <utility>
#include <vector>

#include "api/api_controller.h"
#include "api/file_names.h"
#include "api/login.h"
#include "api/service_errors.h"
#include "api/sign_in.h"
#include "api/voice_clip.h"
#include "config/log.h"
#include "flow/async_work_flow.h"
#include "net/download.h"
#include "net/http_request.h"
#include "platform/audio_output.h"
#include "platform/directories.h"
#include "platform/private_files.h"
#include "platform/window.h"
#include "storage/msg_dlg_store.h"
#include "util/user_messages.h"

namespace {

constexpr char kDownloadFailed[] = "语音下载失败，请稍后再试";
constexpr char kNoClip[] = "找不到这条语音";
constexpr char kNoOutput[] = "无法播放语音";
constexpr char kNoDevice[] = "没有可用的声音输出设备，无法播放语音";
constexpr char kDeviceRefused[] = "声音设备无法播放这条语音";

// Plays still on their way belong to the account signed in when they started.
int& Session() {
    static int session = 0;
    return session;
}

std::map<std::int32_t, std::string>& Failures() {
    static std::map<std::int32_t, std::string> failures;
    return failures;
}

CApiController& Controller() {
    return CApiController::Instance();
}

void Post(std::int32_t messageId, std::int32_t state) {
    Controller().PostEvent(db_event::kVoicePlayback, messageId, state);
}

void Fail(std::int32_t messageId, const std::string& why) {
    WriteLogText("语音 " + std::to_string(messageId) + " 播放失败: " + why);
    Failures()[messageId] = why;
    Post(messageId, db_event::kFailed);
}

// The playing clip stops: its output closes and the windows are told.
void StopPlaying() {
    const std::int32_t playing = Controller().playingVoice;
    if (playing <= 0) return;
    platform::ClipOutput::Instance().Stop();
    Controller().playingVoice = 0;
    Post(playing, db_event::kDone);
}

// Tells the service the clip was heard; the local mark follows the service's answer.
void ClearAudioUnread(std::int32_t messageId) {
    const std::string url = ApiUrl("msg", "clear_audio_unread") +
                            "?did=" + std::to_string(messageId) + "&" + AuthQuery();
    const int session = Session();
    RunFlow(nullptr, [url, messageId, session](CAsyncWorkFlow& flow) {
        const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
        if (session != Session()) return;
        MessageRecord* message = CDBMsgDlg::Instance().FindMessage(messageId);
        if (!message || message->unread == 0) return;
        message->unread = CheckEnvelope(answer, nullptr) ? 0 : 1;
        if (message->unread == 0) {
            // The windows read the mark again with the clip's state.
            Post(messageId,
                 Controller().playingVoice == messageId ? db_event::kStarted : db_event::kDone);
        }
    });
}

void PlayFlow(std::int32_t messageId, CAsyncWorkFlow& flow) {
    const int session = Session();
    const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(messageId);
    if (!message || message->file.url.empty()) return Fail(messageId, kNoClip);
    const std::string url = message->file.url;
    std::string clip;
    if (!DownloadToBuffer(url, clip, kVoiceDownloadTimeoutMs, flow, kMostVoiceClipBytes))
        return Fail(messageId, kDownloadFailed);
    if (session != Session()) return;

    // The decoded samples are also kept as a file in the account's audio folder.
    const std::string folder = AccountDirectory("audio");
    const std::string file = folder.empty()
                                 ? std::string()
                                 : platform::JoinPath(folder, std::to_string(messageId) + ".speex");
    std::vector<std::int16_t> samples;
    const ClipFault fault = PoolScope::Run(flow, [&] {
        const ClipFault result = DecodeVoiceClip(clip, samples);
        std::string().swap(clip);
        if (result == ClipFault::kNone && !file.empty()) {
            platform::WriteFileAtomically(
                file, std::string_view(reinterpret_cast<const char*>(samples.data()),
                                       samples.size() * sizeof(std::int16_t)));
        }
        return result;
    });
    if (session != Session()) return;
    if (fault != ClipFault::kNone) return Fail(messageId, ClipFaultText(fault));
    if (!CDBMsgDlg::Instance().FindMessage(messageId)) return;

    // A clip that began while this one was downloading stops first.
    StopPlaying();
    HWND window = Controller().NotificationWindow();
    const platform::PlayStart started = platform::ClipOutput::Instance().Play(
        std::move(samples), kVoiceSampleRate, [window, messageId](platform::AudioNotice notice) {
            const WPARAM code = notice == platform::AudioNotice::kOpened    ? kVoiceOpened
                                : notice == platform::AudioNotice::kClosed  ? kVoiceClosed
                                : notice == platform::AudioNotice::kRefused ? kVoiceRefused
                                                                            : kVoiceDone;
            platform::PostMessage(window, UM_VOICE_NOTIFY, code, messageId);
        });
    switch (started) {
        case platform::PlayStart::kStarted:
            break;
        case platform::PlayStart::kNoDevice:
            return Fail(messageId, kNoDevice);
        case platform::PlayStart::kRefused:
            return Fail(messageId, kDeviceRefused);
        case platform::PlayStart::kNothingToPlay:
            return Fail(messageId, kNoOutput);
    }
    Failures().erase(messageId);
    Controller().playingVoice = messageId;
}

}  // namespace

void PlayVoice(std::int32_t messageId) {
    const std::int32_t playing = Controller().playingVoice;
    if (playing > 0) {
        StopPlaying();
        if (playing == messageId) return;  // a second click on the playing clip stops it
    }
    RunFlow(nullptr, [messageId](CAsyncWorkFlow& flow) { PlayFlow(messageId, flow); });
}

void StopVoiceOfConversation(std::int32_t conversationId) {
    const std::int32_t playing = Controller().playingVoice;
    if (playing <= 0) return;
    const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(playing);
    if (message && message->mid == conversationId) StopPlaying();
}

void OnVoiceNotice(WPARAM code, LPARAM messageId) {
    // A notice of a clip that was stopped meanwhile is late news.
    if (messageId <= 0 || messageId != Controller().playingVoice) return;
    const auto id = static_cast<std::int32_t>(messageId);
    if (code == kVoiceOpened) {
        Post(id, db_event::kStarted);
        ClearAudioUnread(id);
    } else if (code == kVoiceClosed || code == kVoiceDone) {
        Controller().playingVoice = 0;
        platform::ClipOutput::Instance().Stop();
        Post(id, db_event::kDone);
    } else if (code == kVoiceRefused) {
        Controller().playingVoice = 0;
        platform::ClipOutput::Instance().Stop();
        Fail(id, kDeviceRefused);
    }
}

void StopVoiceForSignOut() {
    ++Session();
    Controller().playingVoice = 0;
    platform::ClipOutput::Instance().Stop();
    Failures().clear();
}

std::string VoiceFailureText(std::int32_t messageId) {
    auto found = Failures().find(messageId);
    return found == Failures().end() ? std::string() : found->second;
}

std::string AccountDirectory(const std::string& name) {
    const std::string account = MyUserId();
    if (account.empty() || !IsSafeFileNamePart(account) || !IsSafeFileNamePart(name)) return {};
    const std::string folder =
        platform::JoinPath(platform::JoinPath(platform::DataDirectory(), account), name);
    return platform::MakePrivateDirectory(folder) ? folder : std::string();
}
