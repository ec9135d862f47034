#include "api/send_message.h"

#include <map>

#include "api/api_controller.h"
#include "api/login.h"
#include "api/sign_in.h"
#include "config/machine_identity.h"
#include "flow/async_work_flow.h"
#include "net/http_request.h"
#include "platform/directories.h"
#include "platform/picture_file.h"
#include "platform/private_files.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"

namespace {

std::int32_t g_sendSequence = 0;

// A private folder for scaled copies: the user's own folders are left untouched.
std::string UploadFolder() {
    const std::string folder = platform::JoinPath(platform::DataDirectory(), "Upload");
    platform::MakePrivateDirectory(folder);
    return folder;
}

// The scaled copy of a picture is removed however the send ends.
struct RemoveCopy {
    std::string path;
    RemoveCopy() = default;
    RemoveCopy(const RemoveCopy&) = delete;
    RemoveCopy& operator=(const RemoveCopy&) = delete;
    ~RemoveCopy() {
        if (!path.empty()) platform::RemoveFile(path);
    }
};

// Scales a picture larger than the limit into a copy and makes the copy the message's file, with
// the scaled size. When the copy cannot be written the original goes with its own size.
void ScalePicture(MessageRecord& message, RemoveCopy& copy, CAsyncWorkFlow& flow) {
    FileRecord& file = message.file;
    if (file.xsize <= kPictureSizeLimit && file.ysize <= kPictureSizeLimit) return;
    const UploadSize size = ScaledUploadSize(file.xsize, file.ysize);
    if (size.width == file.xsize && size.height == file.ysize) return;
    const std::string target = platform::JoinPath(UploadFolder(), message.msghash + ".jpg");
    const std::string source = file.local_path;
    copy.path = target;  // also when the flow is cancelled while the copy is written
    if (!PoolScope::Run(flow, [&] {
            return platform::WriteScaledJpeg(source, target, size.width, size.height);
        })) {
        return;
    }
    file.local_path = target;
    file.xsize = size.width;
    file.ysize = size.height;
}

std::map<std::string, std::string> FormOf(const MessageRecord& message, bool picture,
                                          bool anonymous) {
    std::map<std::string, std::string> form;
    form["mid"] = std::to_string(message.mid);
    form["msghash"] = message.msghash;
    if (picture) {
        form["pic"] = message.file.local_path;
        form["xsize"] = std::to_string(message.file.xsize);
        form["ysize"] = std::to_string(message.file.ysize);
    }
    if (!message.text.empty()) form["text"] = message.text;
    if (!message.mentioned_ids.empty()) {
        std::string joined;
        for (const std::string& id : message.mentioned_ids)
            joined += (joined.empty() ? "" : ",") + id;
        form["atuids"] = joined;
    }
    if (anonymous) form["is_anony"] = "1";
    return form;
}

// The store and the account may change at every hop: only ids are kept across them, and the
// conversation is looked up again afterwards. Signing out cancels the flow.
void SendFlow(MessageRecord message, std::int32_t localNumber, CAsyncWorkFlow& flow) {
    if (!CDBMsgDlg::Instance().FindConversation(message.mid)) return;
    message.msghash = UniqueToken();

    RemoveCopy scaledCopy;
    const bool picture =
        !message.file.local_path.empty() && platform::FileSize(message.file.local_path) >= 0;
    if (picture) ScalePicture(message, scaledCopy, flow);

    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(message.mid);
    if (!conversation) return;
    const std::map<std::string, std::string> form =
        FormOf(message, picture, conversation->me_is_anony != 0);

    CApiController& api = CApiController::Instance();
    const std::string url = ApiUrl("msg", "add_dialogue") + "?" + AuthQuery();
    api.PostEvent(db_event::kSending, localNumber, db_event::kStarted);
    api.PendingSends()[localNumber] = message;
    const std::string answer = PoolScope::Run(flow, [&] { return HttpPostFields(url, form); });
    api.NoteSendAnswered(localNumber);
    ErrorRecord error;
    if (!CheckEnvelope(answer, &error)) {
        api.StoreLastError(db_event::kSending, error);
        api.PostEvent(db_event::kSending, localNumber, db_event::kFailed);
    }
}

}  // namespace

std::int32_t AdvanceSendSequence() {
    return ++g_sendSequence;
}
std::int32_t CurrentSendSequence() {
    return g_sendSequence;
}

UploadSize ScaledUploadSize(int width, int height) {
    const bool widthIsSmaller = width <= height;
    float small = static_cast<float>(widthIsSmaller ? width : height);
    float large = static_cast<float>(widthIsSmaller ? height : width);
    if (small <= 0) return {width, height};
    const float limit = static_cast<float>(kPictureSizeLimit);
    if (large / small > 2.0f) {
        if (small <= limit) return {width, height};
        large = large * limit / small;
        small = limit;
    } else {
        if (large <= limit) return {width, height};
        small = small * limit / large;
        large = limit;
    }
    const int s = static_cast<int>(small), l = static_cast<int>(large);
    return widthIsSmaller ? UploadSize{s, l} : UploadSize{l, s};
}

void SendTextMessage(const MessageRecord& message) {
    const std::int32_t localNumber = CurrentSendSequence();
    CApiController::Instance().NoteSendStarted(localNumber);
    CApiController::Instance().StartSend(
        [message, localNumber](CAsyncWorkFlow& flow) { SendFlow(message, localNumber, flow); });
}

bool SendPictureMessage(const MessageRecord& message) {
    if (!CDBMsgDlg::Instance().FindConversation(message.mid)) return false;
    MessageRecord withSize = message;
    if (auto size = platform::ReadPictureSize(message.file.local_path)) {
        withSize.file.xsize = size->width;
        withSize.file.ysize = size->height;
    }
    SendTextMessage(withSize);
    return true;
}

void AppendPcSuffix(std::string& text, std::int32_t conversationId) {
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(conversationId);
    if (conversation && conversation->type == 2 && conversation->member_ids.size() == 1 &&
        conversation->member_ids[0] == "6") {
        text += "  (来自PC版)";
    }
}

namespace {

std::string WireLineEnds(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n";
        } else if (text[i] == '\n') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

MessageRecord OutgoingTextMessage(const ConversationRecord& conversation,
                                  const std::string& typed) {
    MessageRecord message;  // a text message: the record's type 0
    message.is_me = 1;
    message.mid = conversation.id;
    message.qxid = CDBLogin::Instance().Record().qxid;
    message.anonym = conversation.me_is_anony;
    message.text = WireLineEnds(typed);
    AppendPcSuffix(message.text, conversation.id);
    if (conversation.type == kGroupConversationType) {
        for (const std::string& member : conversation.member_ids) {
            const UserRecord* user = CDBUser::Instance().Find(member);
            if (user && !user->name.empty() &&
                message.text.find("@" + user->name) != std::string::npos)
                message.mentioned_ids.push_back(member);
        }
    }
    return message;
}

void ToggleAnonymous(std::int32_t conversationId) {
    ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(conversationId);
    if (!conversation) return;
    conversation->me_is_anony = conversation->me_is_anony ? 0 : 1;
    CApiController::Instance().PostEvent(db_event::kConversationLookup, conversationId, 0);
}
