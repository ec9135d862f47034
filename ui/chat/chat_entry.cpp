#include "ui/chat/chat_entry.h"

#include "config/log.h"

namespace {
ConversationRequest g_last;
}

void OpenConversation(std::int32_t conversationId) {
    g_last.conversationId = conversationId;
    g_last.userId.clear();
    ++g_last.count;
    WriteLogText("open conversation " + std::to_string(conversationId));
}

void StartConversation(const std::string& userId) {
    g_last.conversationId = 0;
    g_last.userId = userId;
    ++g_last.count;
    WriteLogText("start conversation with " + userId);
}

void CloseAllConversations() {
    WriteLogText("close every conversation");
}

const ConversationRequest& LastConversationRequest() {
    return g_last;
}
