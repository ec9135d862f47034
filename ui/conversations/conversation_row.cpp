#include "ui/conversations/conversation_row.h"

#include <algorithm>

#include "api/group_chat.h"
#include "storage/image_cache.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/win_defs.h"
#include "ui/common/cached_pictures.h"
#include "ui/conversations/conversation_style.h"

namespace cs = conversation_style;

namespace {

// Conversation types whose row names the other member's career: a conversation in which only
// the other side is known by name, and an anonymous one in which I am the anonymous side.
constexpr std::int32_t kAnonymousType = 1;
constexpr std::int32_t kCareerType = 2;
constexpr std::int32_t kNotifyOff = 0;

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// The newest message on one line.
QString OneLine(const std::string& text) {
    QString line = FromUtf8(text);
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

QString BadgeText(int badge) {
    return badge >= cs::kBadgeMany ? QStringLiteral("99+") : QString::number(badge);
}

QString CountPrefix(int badge) {
    return QStringLiteral("[%1条]").arg(badge);
}

bool ShowsCareer(const ConversationRecord& conversation) {
    if (conversation.member_ids.size() != 1) return false;
    return conversation.type == kCareerType ||
           (conversation.type == kAnonymousType && conversation.me_is_anony != 0);
}

// The picture's own size at (x, y) of the region.
void Picture(UiRegion& root, CKesBitmap& picture, int x, int y) {
    UiImage(root, UiRect::FromSize(x, y, picture.FrameWidth(), picture.FrameHeight()), picture);
}

}  // namespace

bool IsActiveGroup(const ConversationRecord& conversation) {
    return conversation.type == kGroupConversationType && conversation.deleted != 1;
}

bool IsQuiet(const ConversationRecord& conversation) {
    return conversation.notify == kNotifyOff || IsActiveGroup(conversation);
}

int AnnouncedUnread(const ConversationRecord& conversation) {
    if (conversation.notify != 1 || IsActiveGroup(conversation)) return 0;
    return std::max(0, conversation.badge);
}

bool MentionsMe(const ConversationRecord& conversation) {
    if (conversation.type != kGroupConversationType || conversation.badge < 1) return false;
    CDBMsgDlg& store = CDBMsgDlg::Instance();
    const MessageIndexEntry* index = store.FindIndexEntry(conversation.id);
    if (!index) return false;
    // The unread messages are the newest ones written by others, as many as the badge counts.
    int others = 0;
    int looked = 0;
    for (std::int32_t id : index->ids) {
        if (others >= conversation.badge || ++looked > cs::kMentionLookBack) break;
        const MessageRecord* message = store.FindMessage(id);
        if (!message || message->is_me) continue;
        ++others;
        if (message->atme) return true;
    }
    return false;
}

QString SpokenRow(const ConversationRecord& conversation) {
    QString spoken = FromUtf8(conversation.name);
    if (!conversation.display_time.empty()) spoken += u'，' + FromUtf8(conversation.display_time);
    const QString mention =
        MentionsMe(conversation) ? QString::fromUtf8(cs::kMentionMark) : QString();
    if (!mention.isEmpty() || !conversation.text.empty())
        spoken += u'，' + mention + OneLine(conversation.text);
    if (conversation.badge > 0) spoken += QStringLiteral("，%1条未读").arg(conversation.badge);
    if (conversation.notify == kNotifyOff) spoken += QStringLiteral("，消息免打扰");
    return spoken;
}

CConversationRowPainter::CConversationRowPainter(CCachedPictures& pictures) : pictures_(pictures) {}

CConversationRowPainter::~CConversationRowPainter() = default;

void CConversationRowPainter::Draw(UiRegion& root, const UiRect& rect,
                                   const ConversationRecord& conversation, bool highlighted) {
    UiFill(root, rect, highlighted ? cs::kHighlight : cs::kBackground);
    const UiRect square = UiRect::FromSize(rect.left + cs::kAvatarLeft, rect.top + cs::kAvatarTop,
                                           cs::kAvatarSize, cs::kAvatarSize);
    DrawAvatar(root, square, conversation);
    DrawUnread(root, rect, conversation);

    const QString time = FromUtf8(conversation.display_time);
    const QFont& small = TextFont(cs::kSmallPixels);
    const int timeRight = rect.right - cs::kTimeFromRight;
    const int timeLeft = timeRight - TextWidth(small, time);
    if (!time.isEmpty()) {
        UiLabel(root,
                UiRect(timeLeft, rect.top + cs::kTimeTop, timeRight,
                       rect.top + cs::kTimeTop + cs::kTextLineHeight),
                time, &small, cs::kTime);
    }
    DrawTitle(root, rect, conversation, timeLeft);
    DrawLastLine(root, rect, conversation);
}

void CConversationRowPainter::DrawAvatar(UiRegion& root, const UiRect& square,
                                         const ConversationRecord& conversation) {
    const QString name = FromUtf8(conversation.name);
    CKesBitmap& fallback = SkinImage("main_icon_default.png");
    if (conversation.id == kPendingItemsConversationId) {
        UiImage(root, square, SkinImage("specials_icon.png"));
    } else if (CKesBitmap* anonymous = anonymous_.For(conversation)) {
        UiImage(root, square, *anonymous);
    } else if (IsActiveGroup(conversation)) {
        pictures_.DrawGroupTile(root, square, conversation.id, conversation.member_ids, fallback,
                                name);
    } else if (!conversation.peer_avatar.empty()) {
        pictures_.Draw(root, square, conversation.peer_avatar, kSmallAvatarPixels, fallback, name);
    } else {
        UiImage(root, square, fallback);
    }
}

void CConversationRowPainter::DrawUnread(UiRegion& root, const UiRect& rect,
                                         const ConversationRecord& conversation) {
    const int badge = conversation.badge;
    const int x0 = rect.left;
    const int y0 = rect.top;
    if (conversation.notify == kNotifyOff) {
        Picture(root, SkinImage("message_icon_no_notify.png"), rect.right - cs::kNoNotifyFromRight,
                y0 + cs::kNoNotifyTop);
    }
    if (badge < 1) return;
    if (IsQuiet(conversation)) {
        Picture(root, SkinImage("message_notify_icon_small.png"), x0 + cs::kQuietDotLeft,
                y0 + cs::kQuietDotTop);
        return;
    }
    const bool wide = badge >= cs::kBadgeWide;
    CKesBitmap& picture = SkinImage(wide ? "message_notify_icon2.png" : "message_notify_icon.png");
    const int left = x0 + (wide ? cs::kWideBadgeLeft : cs::kRoundBadgeLeft);
    const UiRect face = UiRect::FromSize(left, y0, picture.FrameWidth(), picture.FrameHeight());
    UiImage(root, face, picture);
    // The number sits in the middle of the picture, whatever its width.
    UiLabel(root, face, BadgeText(badge), &TextFont(cs::kSmallPixels), cs::kBadgeText,
            DT_CENTER | DT_VCENTER);
}

void CConversationRowPainter::DrawTitle(UiRegion& root, const UiRect& rect,
                                        const ConversationRecord& conversation, int timeLeft) {
    const QFont& face = TextFont(cs::kTitlePixels);
    const QFont& small = TextFont(cs::kSmallPixels);
    const int left = rect.left + cs::kTitleLeft;
    const int top = rect.top + cs::kTitleTop;
    const int room = std::min(cs::kTitleMaxWidth, timeLeft - cs::kTimeGap - left);
    if (room <= 0) return;
    const QString title = FromUtf8(conversation.name);
    const int width = std::min(room, TextWidth(face, title));
    const int lineHeight = TextLineHeight(face);
    UiLabel(root, UiRect(left, top, left + width, top + lineHeight), title, &face, cs::kTitle);

    int end = left + width;
    if (conversation.peer_judge != 0) {
        CKesBitmap& mark = SkinImage("icon_v1.png");
        const int markLeft = end + cs::kMarkGap;
        if (markLeft + mark.FrameWidth() <= timeLeft - cs::kTimeGap) {
            Picture(root, mark, markLeft, rect.top + cs::kMarkTop);
            end = markLeft + mark.FrameWidth();
        }
    }
    if (!ShowsCareer(conversation)) return;
    const UserRecord* member = CDBUser::Instance().Find(conversation.member_ids.front());
    const int careerLeft = end + cs::kCareerGap;
    const int careerRight = timeLeft - cs::kTimeGap;
    if (!member || member->career.empty() || careerRight - careerLeft < cs::kSmallPixels) return;
    // Bottom-aligned with the title.
    const int bottom = top + lineHeight;
    UiLabel(root, UiRect(careerLeft, bottom - TextLineHeight(small), careerRight, bottom),
            FromUtf8(member->career), &small, cs::kCareer);
}

void CConversationRowPainter::DrawLastLine(UiRegion& root, const UiRect& rect,
                                           const ConversationRecord& conversation) {
    const QFont& small = TextFont(cs::kSmallPixels);
    int left = rect.left + cs::kTitleLeft;
    const int right = rect.right - (conversation.notify == kNotifyOff ? cs::kLineFromRightQuiet
                                                                      : cs::kLineFromRight);
    const int top = rect.top + cs::kLineTop;
    const int bottom = top + cs::kTextLineHeight;
    if (right <= left) return;
    if (MentionsMe(conversation)) {
        // Said first, in the alert colour, also in a group that only counts its messages.
        const QString mark = QString::fromUtf8(cs::kMentionMark);
        const int end = std::min(right, left + TextWidth(small, mark));
        UiLabel(root, UiRect(left, top, end, bottom), mark, &small, cs::kMention);
        left = end + cs::kCountGap;
    }
    if (left < right && IsQuiet(conversation) && conversation.badge >= 1) {
        const QString prefix = CountPrefix(conversation.badge);
        const int end = std::min(right, left + TextWidth(small, prefix));
        UiLabel(root, UiRect(left, top, end, bottom), prefix, &small, cs::kLine);
        left = end + cs::kCountGap;
    }
    if (left < right && !conversation.text.empty()) {
        UiLabel(root, UiRect(left, top, right, bottom), OneLine(conversation.text), &small,
                cs::kLine);
    }
}
