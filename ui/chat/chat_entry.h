#pragma once
// Where the lists and dialogs open conversations. The chat windows that answer these come
// later; until then a request is only remembered (and logged), so that the call sites exist.

#include <cstdint>
#include <string>

// Opens an existing conversation of the session's store.
void OpenConversation(std::int32_t conversationId);
// Opens (or starts) the one-to-one conversation with a user.
void StartConversation(const std::string& userId);

// Closes every open conversation and ends its flows (returning to the login page).
void CloseAllConversations();

// The last request, for the windows' tests: the conversation id, or the user id.
struct ConversationRequest {
    std::int32_t conversationId = 0;
    std::string userId;
    int count = 0;  // requests made so far
};
const ConversationRequest& LastConversationRequest();
