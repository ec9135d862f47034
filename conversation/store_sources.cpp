#include "conversation/store_sources.h"

#include <algorithm>

#include "api/avatar_files.h"
#include "api/contacts.h"
#include "api/login.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"

ItemSources StoreItemSources(std::int32_t conversationId) {
    ItemSources sources;
    sources.conversation = CDBMsgDlg::Instance().FindConversation(conversationId);
    sources.account = &CDBLogin::Instance().Record();
    sources.findUser = [](const std::string& qxid) -> const UserRecord* {
        return CDBUser::Instance().Find(qxid);
    };
    sources.fetchUser = [](const std::string& qxid) { GetUser(qxid); };
    sources.avatarFile = [](const std::string&, const std::string& url) { return AvatarFile(url); };
    return sources;
}

HistorySource StoreHistorySource(std::int32_t conversationId) {
    HistorySource history;
    history.findMessage = [conversationId](std::int32_t id) -> const MessageRecord* {
        const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(id);
        return message && message->mid == conversationId ? message : nullptr;
    };
    history.olderMessage = [conversationId](const MessageRecord& message) -> const MessageRecord* {
        const MessageIndexEntry* index = CDBMsgDlg::Instance().FindIndexEntry(conversationId);
        if (!index) return nullptr;
        // The index is newest first: the next entry is the next older message.
        const auto at = std::find(index->ids.begin(), index->ids.end(), message.id);
        if (at == index->ids.end() || at + 1 == index->ids.end()) return nullptr;
        return CDBMsgDlg::Instance().FindMessage(*(at + 1));
    };
    return history;
}
