// The drawing of the pending-items window: its frame, the date headers and the item cards.
#include <algorithm>

#include "api/contacts.h"
#include "api/pending_items.h"
#include "storage/image_cache.h"
#include "storage/specials_store.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/common/cached_pictures.h"
#include "ui/pending/dlg_specials.h"
#include "ui/pending/specials_style.h"

namespace ss = specials_style;

namespace {

QString Text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

bool HasLinkBody(const PendingItem& item) {
    return item.type == pending_type::kRecommendation || item.type == pending_type::kFriendRequest;
}

// The level mark of a person's distance, none for the rest.
const char* LevelMark(std::int32_t dist) {
    switch (dist) {
        case 0:
            return "icon_contact_me.png";
        case 1:
            return "icon_contact1.png";
        case 2:
            return "icon_contact2.png";
        case 3:
            return "icon_contact3.png";
        default:
            return nullptr;
    }
}

// A block of wrapped text in the text column, as many lines as it needs, at most `mostLines`
// and no lower than `bottomLimit`; returns its bottom.
int TextBlock(UiRegion& root, const QString& text, int left, int top, int mostLines,
              const QColor& colour, int bottomLimit) {
    if (text.isEmpty()) return top;
    const QFont& face = TextFont(ss::kBodyPixels);
    const int lineHeight = TextLineHeight(face);
    const int room = std::max(0, (bottomLimit - top) / lineHeight);
    const int lines =
        std::min({WrappedLineCount(face, text, ss::kTextMostWidth, mostLines), mostLines, room});
    if (lines <= 0) return top;
    UiTextBlock(root, UiRect(left, top, left + ss::kTextMostWidth, top + lines * lineHeight), text,
                &face, colour);
    return top + lines * lineHeight;
}

}  // namespace

void CDlgSpecials::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    const int width = ctx.client.right;
    CKesBitmap& bar = SkinImage("main_top_bg.png");
    UiFill(root, UiRect(0, ss::kBodyTop, width, ctx.client.bottom), ss::kBody);
    UiImage(root, UiRect(0, 0, width, bar.FrameHeight()), bar);
    UiText(root, &TextFont(ss::kTitlePixels), QString::fromUtf8(kTitle), ss::kTitle, ss::kTitleLeft,
           ss::kTitleTop);
    CKesBitmap& close = SkinImage("sys_btn_close.png");
    CKesBitmap& minimise = SkinImage("sys_btn_min.png");
    const UiRect closeRect(width - close.FrameWidth(), 0, width, close.FrameHeight());
    const UiRect minimiseRect(closeRect.left - minimise.FrameWidth(), 0, closeRect.left,
                              minimise.FrameHeight());
    if (UiButton(root, minimiseRect, QString(), QStringLiteral("最小化"), kUiTakesMouse,
                 &minimise)) {
        ctx.Later([this] { ShowWindow(SW_MINIMIZE); });
    }
    if (UiButton(root, closeRect, QString(), QStringLiteral("关闭"), kUiTakesMouse, &close)) {
        ctx.Later([this] { Dismiss(); });
    }
}

void CDlgSpecials::DrawBackground(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, ss::kBody);
}

void CDlgSpecials::DrawEmpty(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, ss::kBody);
    const QFont& face = TextFont(ss::kEmptyPixels);
    if (loadFailed_ && !loading_) {
        // A failed fetch says so and offers another try.
        const int middle = ctx.client.Height() / 2;
        const int line = TextLineHeight(face);
        UiLabel(root, UiRect(0, middle - line, ctx.client.right, middle), Text(kLoadFailedText),
                &face, ss::kEmptyText, DT_CENTER | DT_VCENTER);
        const QString retry = Text(kRetryText);
        if (UiLink(root, retry, &face, ss::kLink, (ctx.client.right - TextWidth(face, retry)) / 2,
                   middle + line / 2)) {
            ctx.Later([this] {
                loadFailed_ = false;
                RefreshPendingItems();
                list_.Invalidate(false);
            });
        }
        return;
    }
    UiLabel(root, ctx.client, Text(loading_ ? kLoadingText : kEmptyText), &face, ss::kEmptyText,
            DT_CENTER | DT_VCENTER);
}

QString CDlgSpecials::RowName(int index) {
    if (index < 0 || index >= static_cast<int>(rows_.size())) return QString();
    const SpecialRow& row = rows_[static_cast<std::size_t>(index)];
    if (row.kind == SpecialRowKind::Header) return Text(row.date);
    const PendingItem* item = FindPendingItem(row.itemId);
    return item ? Text(item->title) : QString();
}

void CDlgSpecials::DrawRow(UiContext& ctx, int index, const UiRect& rect) {
    if (index < 0 || index >= static_cast<int>(rows_.size())) return;
    const SpecialRow& row = rows_[static_cast<std::size_t>(index)];
    UiRegion root(ctx);
    UiFill(root, rect, ss::kBody);
    if (row.kind == SpecialRowKind::Header) {
        DrawHeader(root, row, rect);
        return;
    }
    const UiRect card(rect.left + ss::kCardLeft, rect.top + ss::kCardTop,
                      rect.left + ss::kCardRight, rect.top + ss::kCardBottom);
    UiFill(root, card, ss::kCardOutline);
    UiFill(root, UiRect(card.left + 1, card.top + 1, card.right - 1, card.bottom - 1),
           ss::kCardFill);
    // An item the store no longer holds (the list was refilled) leaves its empty card.
    if (const PendingItem* item = FindPendingItem(row.itemId)) DrawCard(ctx, root, *item, rect);
}

void CDlgSpecials::DrawHeader(UiRegion& root, const SpecialRow& row, const UiRect& rect) {
    UiLabel(root, UiRect(rect.left + ss::kHeaderLeft, rect.top, rect.right, rect.bottom),
            Text(row.date), &TextFont(ss::kHeaderPixels), ss::kHeaderText,
            DT_BOTTOM | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void CDlgSpecials::DrawCard(UiContext& ctx, UiRegion& root, const PendingItem& item,
                            const UiRect& rect) {
    const int x0 = rect.left;
    const int y0 = rect.top;
    const std::int32_t id = item.id;
    // The picture: the job's logo (its page on a click), or the person the item is about (the
    // profile on a click).
    const UiRect picture = UiRect::FromSize(x0 + ss::kPictureLeft, y0 + ss::kPictureTop,
                                            ss::kPictureSize, ss::kPictureSize);
    CKesBitmap& fallback = SkinImage("main_icon_default.png");
    const bool jobPicture =
        item.type == pending_type::kJobOffer || item.type == pending_type::kGroupInvitation;
    if (jobPicture) {
        pictures_->Draw(root, picture, item.icon, 0, fallback, Text(item.title));
    } else if (const UserRecord* person =
                   item.icon_qxid.empty() ? nullptr : GetUser(item.icon_qxid)) {
        pictures_->Draw(root, picture, person->avatar, kLargeAvatarKey, fallback,
                        Text(person->name));
    } else if (item.icon_qxid.empty()) {
        UiImage(root, picture, fallback);
    }
    if (UiHitArea(root, picture, kUiTakesMouse | kUiHandCursor)) {
        ctx.Later([this, id] { OpenItemPicture(id); });
    }

    const QFont& titleFace = TextFont(ss::kItemTitlePixels, kFontBold);
    const QString title = Text(item.title);
    const int textLeft = x0 + ss::kTextLeft;
    const int titleTop = y0 + (HasLinkBody(item) ? ss::kTitleTopWithLink : ss::kTitleTopPlain);
    const int titleWidth = std::min(TextWidth(titleFace, title), ss::kTextMostWidth);
    UiLabel(root,
            UiRect(textLeft, titleTop, textLeft + titleWidth, titleTop + TextLineHeight(titleFace)),
            title, &titleFace, ss::kItemTitle, DT_SINGLELINE | DT_END_ELLIPSIS);
    const int bodyTop = titleTop + TextLineHeight(titleFace) + ss::kTextGap;
    const int textBottom = y0 + ss::kCardBottom - ss::kTextGap;
    const int bodyBottom = DrawBody(ctx, root, item, textLeft, bodyTop, textBottom);
    TextBlock(root, Text(item.attach), textLeft, bodyBottom + ss::kTextGap, ss::kAttachLines,
              ss::kBodyText, textBottom);

    if (const char* markName = LevelMark(item.dist)) {
        CKesBitmap& mark = SkinImage(markName);
        UiImage(root,
                UiRect::FromSize(x0 + ss::kLevelMarkLeft, y0 + ss::kLevelMarkTop, mark.FrameWidth(),
                                 mark.FrameHeight()),
                mark);
    }
    DrawButtons(ctx, root, item, rect);
}

int CDlgSpecials::DrawBody(UiContext& ctx, UiRegion& root, const PendingItem& item, int left,
                           int top, int bottomLimit) {
    const int cardBottom = bottomLimit;
    const bool linked = HasLinkBody(item) && item.link_pieces.size() == 4;
    if (!linked) {
        return TextBlock(root, Text(item.text), left, top,
                         HasLinkBody(item) ? ss::kLinkBodyLines : ss::kPlainBodyLines,
                         ss::kBodyText, cardBottom);
    }
    const QString before = Text(item.link_pieces[0]);
    const QString person = Text(item.link_pieces[1]);
    const QString body = before + person + Text(item.link_pieces[2]) + Text(item.link_pieces[3]);
    const int bottom =
        TextBlock(root, body, left, top, ss::kLinkBodyLines, ss::kBodyText, cardBottom);
    // The person's name again over the text, as a link to the profile.
    const QFont& face = TextFont(ss::kBodyPixels);
    UiFill(root,
           UiRect::FromSize(left + TextWidth(face, before), top, TextWidth(face, person),
                            TextLineHeight(face)),
           ss::kCardFill);
    if (UiLink(root, person, &face, ss::kLink, left + TextWidth(face, before), top)) {
        const std::string qxid = item.link_value;
        const std::int32_t id = item.id;
        const std::int32_t requestType =
            item.type == pending_type::kFriendRequest ? pending_type::kFriendRequest : 0;
        ctx.Later([this, qxid, id, requestType] { OpenPerson(qxid, id, requestType); });
    }
    return bottom;
}

void CDlgSpecials::DrawButtons(UiContext& ctx, UiRegion& root, const PendingItem& item,
                               const UiRect& rect) {
    CKesBitmap& blue = SkinImage("small_blue_btn.png");
    CKesBitmap& white = SkinImage("small_white_btn.png");
    const int width = blue.FrameWidth();
    const int height = blue.FrameHeight();
    const int top = rect.top + ss::kCardTop + (ss::kCardBottom - ss::kCardTop - height) / 2;
    const UiRect action(rect.left + ss::kButtonsRight - width, top, rect.left + ss::kButtonsRight,
                        top + height);
    const UiRect ignore(action.left - ss::kButtonGap - width, top, action.left - ss::kButtonGap,
                        top + height);
    const UiRect doneArea(ignore.left, top, action.right, top + height);
    const QFont& doneFace = TextFont(ss::kDonePixels);
    const QFont& buttonFace = TextFont(ss::kButtonPixels);
    const std::int32_t id = item.id;
    const std::int32_t type = item.type;
    const bool busy = AnswerRunning();
    const unsigned flags = kUiTakesMouse | (busy ? kUiDisabled : 0);
    if (item.action.shown) {
        if (item.action.used) {
            UiLabel(root, doneArea, Text(item.action.done_text), &doneFace, ss::kDoneText,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        } else if (UiSkinButton(root, action, &blue, Text(item.action.text), QString(), &buttonFace,
                                ss::kActionCaption, -1, flags)) {
            ctx.Later([this, id] { RunItemAnswer(id); });
        }
    }
    if (item.ignore.shown) {
        if (item.ignore.used) {
            UiLabel(root, doneArea, Text(item.ignore.done_text), &doneFace, ss::kDoneText,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        } else if (UiSkinButton(root, ignore, &white, Text(item.ignore.text), QString(),
                                &buttonFace, ss::kIgnoreCaption, -1, flags)) {
            ctx.Later([this, id, type] {
                RunItemAction(ItemAction::Ignore, type, id, false, std::string(), 0);
            });
        }
    }
}
