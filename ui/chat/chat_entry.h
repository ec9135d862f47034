#pragma once
// Where the lists and dialogs open conversations. The window that holds the conversations answers
// them once it exists (it sets itself as the opener); every request is also remembered.

#include <cstdint>
#include <functional>
#include <string>

// Opens an existing conversation of the session's store.
void OpenConversation(std::int32_t conversationId);
// Opens an existing conversation with a text that could not be sent from elsewhere (a reply
// typed into a notification) put back into its input box.
void OpenConversationWithUnsent(std::int32_t conversationId, const std::string& text);
// Opens (or starts) the one-to-one conversation with a user; `anonymous`: the conversation in
// which the user is known by an anonymous identity (an anonymous card's "与他联系"), never an
// ordinary one.
void StartConversation(const std::string& userId, bool anonymous = false);

// Closes every open conversation and ends its flows (returning to the login page).
void CloseAllConversations();

// The last request, for the windows' tests: the conversation id, or the user id.
struct ConversationRequest {
    std::int32_t conversationId = 0;
    std::string userId;
    std::string unsent;      // goes back into the input box
    bool anonymous = false;  // the user's anonymous conversation
    int count = 0;           // requests made so far
    bool closeAll = false;
};
const ConversationRequest& LastConversationRequest();

// Whether the user is looking at the conversation: its chat window is selected in the active,
// unminimised window. False while nothing answers.
bool ConversationInFront(std::int32_t conversationId);
void SetFrontConversationQuery(std::function<bool(std::int32_t)> query);

// The window that carries the requests out; an empty one only remembers them.
void SetConversationOpener(std::function<void(const ConversationRequest&)> opener);
