#pragma once
// The sources of a chat window's items taken from the account's stores: its conversation, the
// signed-in account, the known users (an unknown sender is fetched) and the avatar copies on disk.
// UI thread; the sources hold pointers into the stores and are made afresh for every batch.

#include <cstdint>

#include "conversation/message_items.h"

ItemSources StoreItemSources(std::int32_t conversationId);

// The conversation's held messages for a history batch: ids of other conversations are unknown,
// and the message before one is the next older id of the conversation's message index.
HistorySource StoreHistorySource(std::int32_t conversationId);
