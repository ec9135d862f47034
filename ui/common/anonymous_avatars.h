#pragma once
// The skin's pictures of anonymous members: a conversation in which the other side writes
// anonymously shows that picture instead of the member's avatar. Each picture is read once.

#include <map>
#include <memory>
#include <string>

#include "storage/records.h"

class CKesBitmap;

class CAnonymousAvatars {
  public:
    CAnonymousAvatars();
    ~CAnonymousAvatars();
    // The conversation's anonymous picture, or null when it has none.
    CKesBitmap* For(const ConversationRecord& conversation);

  private:
    std::map<std::string, std::unique_ptr<CKesBitmap>> pictures_;
};
