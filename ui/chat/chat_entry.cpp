#include "ui/chat/chat_entry.h"

#include "config/log.h"

namespace {
ConversationRequest g_last;
std::function<void(const ConversationRequest&)> g_opener;
std::function<bool(std::int32_t)> g_front;

void Carry(const ConversationRequest& request) {
    if (g_opener) g_opener(request);
}
}  // namespace

void SetConversationOpener(std::function<void(const ConversationRequest&)> opener) {
    g_opener = std::move(opener);
}

bool ConversationInFront(std::int32_t conversationId) {
    return g_front && g_front(conversationId);
}

void SetFrontConversationQuery(std::function<bool(std::int32_t)> query) {
    g_front = std::move(query);
}

void OpenConversation(std::int32_t conversationId) {
    OpenConversationWithUnsent(conversationId, std::string());
}

void OpenConversationWithUnsent(std::int32_t conversationId, const std::string& text) {
    g_last.conversationId = conversationId;
    g_last.unsent = text;
    g_last.userId.clear();
    g_last.anonymous = false;
    g_last.closeAll = false;
    ++g_last.count;
    WriteLogText("open conversation " + std::to_string(conversationId));
    Carry(g_last);
}

void StartConversation(const std::string& userId, bool anonymous) {
    g_last.conversationId = 0;
    g_last.unsent.clear();
    g_last.userId = userId;
    g_last.anonymous = anonymous;
    g_last.closeAll = false;
    ++g_last.count;
    WriteLogText("start conversation with " + userId);
    Carry(g_last);
}

void CloseAllConversations() {
    WriteLogText("close every conversation");
    ConversationRequest request;
    request.closeAll = true;
    Carry(request);
}

const ConversationRequest& LastConversationRequest() {
    return g_last;
}
