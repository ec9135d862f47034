#pragma once
// One row of the conversation list, drawn from its record: avatar (or group tile), unread marker,
// title with its "V" mark and career line, time label and the newest message. Also the rules
// that decide how loudly a conversation announces its unread messages.

#include <QString>
#include <map>
#include <memory>
#include <string>

#include "storage/records.h"
#include "toolkit/elements/ui_context.h"
#include "ui/common/anonymous_avatars.h"

class CCachedPictures;
class CKesBitmap;

// A group that still exists (type 3, not deleted).
bool IsActiveGroup(const ConversationRecord& conversation);
// Quiet conversations show a dot instead of a number and do not count towards the tab badge.
bool IsQuiet(const ConversationRecord& conversation);
// The unread messages this conversation adds to the tab badge.
int AnnouncedUnread(const ConversationRecord& conversation);
// An unread message of this group mentions the account: the row says "[有人@我]" before its
// newest message, muted or not.
bool MentionsMe(const ConversationRecord& conversation);

// What a screen reader says for the row: title, time, the mention, the newest message and the
// unread count.
QString SpokenRow(const ConversationRecord& conversation);

class CConversationRowPainter {
  public:
    explicit CConversationRowPainter(CCachedPictures& pictures);
    ~CConversationRowPainter();

    // Draws the row at `rect` (the list's client coordinates) into the list's root region.
    void Draw(UiRegion& root, const UiRect& rect, const ConversationRecord& conversation,
              bool highlighted);

  private:
    void DrawAvatar(UiRegion& root, const UiRect& square, const ConversationRecord& conversation);
    void DrawUnread(UiRegion& root, const UiRect& rect, const ConversationRecord& conversation);
    // Title, "V" mark and career line; `timeLeft` is where the time label begins.
    void DrawTitle(UiRegion& root, const UiRect& rect, const ConversationRecord& conversation,
                   int timeLeft);
    void DrawLastLine(UiRegion& root, const UiRect& rect, const ConversationRecord& conversation);
    CCachedPictures& pictures_;
    CAnonymousAvatars anonymous_;
};
