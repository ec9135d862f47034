#pragma once
// Sending text and pictures. The chat window shows a message at once under a local number and
// hands it here; it is uploaded in one multipart POST. Success shows later, when the service's
// copy comes back through a synchronisation and is paired with the local number by its hash.
// UI thread.

#include <cstdint>
#include <string>

#include "storage/records.h"

// The send sequence: the chat window advances it for every message it sends and shows that
// message under the new number; a send started afterwards takes the current number.
std::int32_t AdvanceSendSequence();
std::int32_t CurrentSendSequence();

// Starts sending (text, mentions, anonymity). Several sends may run at once.
void SendTextMessage(const MessageRecord& message);
// The same for a picture at the message's local path; false (nothing sent) when the conversation
// is not in the store.
bool SendPictureMessage(const MessageRecord& message);

// Marks a message to the feedback account as written in the desktop client.
void AppendPcSuffix(std::string& text, std::int32_t conversationId);
// The text message the user typed into the conversation, as it is sent: line ends as the service
// keeps them (CR LF), the desktop mark where it belongs, the group members named with "@" as its
// mentions, and the conversation's anonymity.
MessageRecord OutgoingTextMessage(const ConversationRecord& conversation, const std::string& typed);
// Switches the conversation's anonymity.
void ToggleAnonymous(std::int32_t conversationId);

// Pictures larger than this on a side are scaled down before upload.
inline constexpr int kPictureSizeLimit = 960;
struct UploadSize {
    int width;
    int height;
};
// The size a picture is sent at (its own when no scaling is needed).
UploadSize ScaledUploadSize(int width, int height);
