// The drawing of the conversation information window: the caption, the member grid, the name and
// the notification choice.
#include <algorithm>

#include "api/contacts.h"
#include "api/group_chat.h"
#include "api/login.h"
#include "storage/image_cache.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/common/cached_pictures.h"
#include "ui/groups/dlg_user_group_list.h"
#include "ui/groups/group_style.h"
#include "ui/groups/group_texts.h"
#include "ui/main/main_wnd.h"

namespace gs = group_style;

namespace {

// The level marks by degree of the member's relation to the user.
enum class Degree : int { Me = 0, First = 1, Second = 2, Third = 3 };

Degree DegreeOf(const UserRecord* user, bool me) {
    return me ? Degree::Me : static_cast<Degree>(std::clamp(user ? user->dist : 3, 1, 3));
}

const char* LevelMark(Degree degree) {
    switch (degree) {
        case Degree::Me:
            return "icon_contact_me.png";
        case Degree::First:
            return "icon_contact1.png";
        case Degree::Second:
            return "icon_contact2.png";
        case Degree::Third:
            return "icon_contact3.png";
    }
    return nullptr;
}

void Outline(UiRegion& region, const UiRect& rect, const QColor& colour) {
    UiFill(region, UiRect(rect.left, rect.top, rect.right, rect.top + 1), colour);
    UiFill(region, UiRect(rect.left, rect.bottom - 1, rect.right, rect.bottom), colour);
    UiFill(region, UiRect(rect.left, rect.top, rect.left + 1, rect.bottom), colour);
    UiFill(region, UiRect(rect.right - 1, rect.top, rect.right, rect.bottom), colour);
}

UiRect Centred(const UiRect& cell, CKesBitmap& picture) {
    return UiRect::FromSize(cell.left + (cell.Width() - picture.FrameWidth()) / 2,
                            cell.top + (cell.Height() - picture.FrameHeight()) / 2,
                            picture.FrameWidth(), picture.FrameHeight());
}

// The second line of a member: only what follows the first "，" when there is one after the
// first character.
QString ShownLine2(const std::string& line2) {
    const QString text = QString::fromStdString(line2);
    const qsizetype comma = text.indexOf(QStringLiteral("，"));
    return comma > 0 ? text.mid(comma + 1) : text;
}

}  // namespace

void CDlgUserGroupList::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    const int width = ctx.client.right;
    const int height = ctx.client.bottom;
    const ConversationRecord* conversation = Conversation();
    UiImage(root, UiRect(0, 0, width, gs::kTitleBarHeight), SkinImage("main_top_bg.png"));
    UiLabel(
        root, UiRect(gs::kInfoTitleLeft, 0, width - gs::kInfoTitleRightMargin, gs::kTitleBarHeight),
        conversation ? QString::fromStdString(conversation->name) : QString(),
        &TextFont(gs::kInfoTitlePixels), gs::kTitle, DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    UiFill(root, UiRect(0, gs::kTitleBarHeight, width, height), gs::kInfoBody);
    UiFill(root, UiRect(0, gs::kTitleBarHeight, width, gs::kInfoTopBandBottom), gs::kInfoTop);

    CKesBitmap& close = SkinImage("sys_btn_close.png");
    const UiRect closeRect(width - gs::kCloseRightMargin - close.FrameWidth(), gs::kCloseTop,
                           width - gs::kCloseRightMargin, gs::kCloseTop + close.FrameHeight());
    if (UiButton(root, closeRect, QString(), QStringLiteral("关闭"), kUiTakesMouse, &close)) {
        ctx.Later([this] { Close(); });
    }
    if (isGroup_) {
        CKesBitmap& drop = SkinImage("sys_btn_drop.png");
        const UiRect menu(closeRect.left - drop.FrameWidth(), closeRect.top, closeRect.left,
                          closeRect.bottom);
        if (UiButton(root, menu, QString(), group_texts::MoreMenu(), kUiTakesMouse, &drop)) {
            ctx.Later([this, menu] { ShowMenu(ClientToScreen(QPoint(menu.left, menu.bottom))); });
        }
    }
    if (conversation) DrawSettings(ctx, root, *conversation);
}

void CDlgUserGroupList::DrawSettings(UiContext& ctx, UiRegion& root,
                                     const ConversationRecord& conversation) {
    const int height = ctx.client.bottom;
    const QFont& face = TextFont(gs::kInfoLabelPixels);
    const int line = TextLineHeight(face);

    const int notifyTop = height - gs::kNotifyFromBottom - line;
    const QString label = group_texts::NotifyLabel();
    UiText(root, &face, label, gs::kInfoLabel, gs::kInfoLabelLeft, notifyTop);
    const int radioLeft = gs::kInfoLabelLeft + TextWidth(face, label) + gs::kRadioGap;
    const bool announce = conversation.notify != 0;
    const struct {
        QString caption;
        bool on;
        int top;
    } radios[] = {{group_texts::AnnounceNew(), true, notifyTop},
                  {group_texts::OnlyCount(), false, notifyTop + gs::kRadioStep}};
    for (const auto& radio : radios) {
        const UiRect rect = UiRect::FromSize(
            radioLeft, radio.top, TextWidth(face, radio.caption) + gs::kRadioCaptionOffset, line);
        if (UiRadio(root, rect, radio.caption, &face, announce == radio.on, false, gs::kInfoLabel,
                    gs::kRadioCaptionOffset)) {
            // The store changes at once; its change event repaints the window.
            ctx.Later([id = conversationId_, on = radio.on] { SetNotify(id, on); });
        }
    }

    if (!note_.isEmpty()) {
        UiLabel(root,
                UiRect(gs::kNameRight + gs::kNameFieldMargin * 2, gs::kNameTop,
                       ctx.client.right - gs::kInfoLabelLeft, gs::kNameBottom),
                note_, &face, gs::kError, DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    if (!isGroup_) return;
    UiText(root, &face, group_texts::NameLabel(), gs::kInfoLabel, gs::kInfoLabelLeft,
           height - gs::kNameLabelFromBottom - line);
    if (EditingName()) return;
    const UiRect name = NameRect();
    const QString current = QString::fromStdString(conversation.name);
    const UiState state = UiStateOf(root, name, kUiTakesMouse);
    if (state == UiState::Hovered || state == UiState::Pressed) {
        UiImage(root,
                UiRect(name.left - gs::kNameFieldMargin, name.top - gs::kNameFieldMargin,
                       name.right + gs::kNameFieldMargin, name.bottom + gs::kNameFieldMargin),
                SkinImage("login_eidt_bg.png"));
    }
    if (UiButton(root, name, QString(), group_texts::NameLabel() + current,
                 kUiTakesMouse | kUiHandCursor, nullptr)) {
        ctx.Later([this, current] { BeginNameEdit(current); });
    }
    UiLabel(root, UiRect(name.left + 1, name.top, name.right, name.bottom), current, &face,
            gs::kInfoLabel, DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void CDlgUserGroupList::DrawBackground(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, gs::kInfoTop);
}

void CDlgUserGroupList::DrawRow(UiContext& ctx, int index, const UiRect& rect) {
    UiRegion row(ctx);
    if (ctx.mode == UiMode::Paint) UiFill(row, rect, gs::kInfoTop);
    const int pad = static_cast<int>(members_.size()) < gs::kFewMembers ? gs::kFewMembersPad : 0;
    const int gap = (rect.Width() - gs::kCellsWidth + pad) / 3;
    for (int c = 0; c < 2; ++c) {
        const std::size_t at = static_cast<std::size_t>(index * 2 + c);
        if (at >= cells_.size()) break;
        const int left = rect.left + c * gs::kCellWidth + (c + 1) * gap;
        const UiRect cell(left, rect.top + gs::kCellTop, left + gs::kCellWidth,
                          rect.top + gs::kCellBottom);
        switch (cells_[at]) {
            case GroupCell::Member:
                if (at < members_.size()) DrawMember(ctx, row, cell, members_[at]);
                break;
            case GroupCell::Add: {
                CKesBitmap& add = SkinImage("add_user.png");
                if (UiButton(row, Centred(cell, add), QString(), group_texts::AddMemberCell(),
                             kUiTakesMouse | kUiHandCursor, &add)) {
                    ctx.Later([this] { AfterEvent([this] { ClickAdd(); }); });
                }
                break;
            }
            case GroupCell::Remove: {
                CKesBitmap& remove = SkinImage("del_user.png");
                if (UiButton(row, Centred(cell, remove), QString(), group_texts::RemoveMemberCell(),
                             kUiTakesMouse | kUiHandCursor, &remove)) {
                    ctx.Later([this] {
                        removeMode_ = !removeMode_;
                        Invalidate(false);
                        list_.Invalidate(false);
                    });
                }
                break;
            }
        }
    }
}

void CDlgUserGroupList::DrawMember(UiContext& ctx, UiRegion& row, const UiRect& cell,
                                   const std::string& qxid) {
    const QString name = MemberName(qxid);
    const Degree degree = DegreeOf(FindUser(qxid), qxid == MyUserId());
    if (!removeMode_) {
        const unsigned flags = kUiTakesMouse | kUiHandCursor;
        if (UiButton(row, cell, QString(), name, flags, nullptr)) {
            ctx.Later([qxid] { CMainWnd::Instance().OpenProfileWindow(qxid); });
        }
        const UiState state = UiStateOf(row, cell, flags);
        if (state == UiState::Hovered || state == UiState::Pressed)
            UiFill(row, cell, gs::kCellHover);
    }
    const UiRect avatar = UiRect::FromSize(cell.left + gs::kCellAvatarLeft,
                                           cell.top + (cell.Height() - gs::kCellAvatarSize) / 2,
                                           gs::kCellAvatarSize, gs::kCellAvatarSize);
    if (ctx.mode == UiMode::Paint) DrawMemberCard(row, cell, avatar, qxid);
    if (removeMode_ && degree != Degree::Me) {
        // The mark lies over the avatar's top-left corner, drawn after it so that its "−" shows.
        CKesBitmap& mark = SkinImage("dlg_Generate_bten_del.png");
        const UiRect at =
            UiRect::FromSize(avatar.left - gs::kCellDeleteOut, avatar.top - gs::kCellDeleteOut,
                             mark.FrameWidth(), mark.FrameHeight());
        if (UiButton(row, at, QString(), group_texts::RemoveMember(name), kUiTakesMouse, &mark)) {
            ctx.Later([this, qxid] { AfterEvent([this, qxid] { AskRemove(qxid, false); }); });
        }
    }
}

void CDlgUserGroupList::DrawMemberCard(UiRegion& row, const UiRect& cell, const UiRect& avatar,
                                       const std::string& qxid) {
    const UserRecord* user = FindUser(qxid);
    const QString name = MemberName(qxid);
    const Degree degree = DegreeOf(user, qxid == MyUserId());
    Outline(row, cell, gs::kCellOutline);
    pictures_->Draw(row, avatar, user ? user->avatar : AvatarAddressOf(qxid), kLargeAvatarKey,
                    SkinImage("main_icon_default.png"), name);
    if (const char* level = LevelMark(degree)) {
        CKesBitmap& mark = SkinImage(level);
        UiImage(row,
                UiRect::FromSize(cell.right - gs::kLevelRight, cell.top, mark.FrameWidth(),
                                 mark.FrameHeight()),
                mark);
    }
    const int textLeft = cell.left + gs::kCellTextLeft;
    const int textRight = cell.right - gs::kCellTextRightMargin;
    const QFont& nameFace = TextFont(gs::kCellNamePixels, kFontBold);
    CKesBitmap& v = SkinImage("icon_v2.png");
    const bool judged = user && user->judge != 0;
    const int nameRoom = textRight - textLeft - (judged ? v.FrameWidth() + gs::kCellMarkGap : 0);
    const int nameWidth = std::min(TextWidth(nameFace, name), nameRoom);
    const int nameTop = avatar.top + gs::kCellNameTop;
    UiLabel(row,
            UiRect(textLeft, nameTop, textLeft + nameWidth, nameTop + TextLineHeight(nameFace)),
            name, &nameFace, gs::kCellName);
    if (judged) {
        UiImage(row,
                UiRect::FromSize(textLeft + nameWidth + gs::kCellMarkGap, nameTop, v.FrameWidth(),
                                 v.FrameHeight()),
                v);
    }
    if (!user) return;
    const QFont& small = TextFont(gs::kCellSmallPixels);
    const int smallLine = TextLineHeight(small);
    UiLabel(row,
            UiRect::FromSize(textLeft, avatar.top + gs::kCellCareerTop, textRight - textLeft,
                             smallLine),
            QString::fromStdString(user->career), &small, gs::kCellSmall, DT_END_ELLIPSIS);
    UiLabel(
        row,
        UiRect::FromSize(textLeft, avatar.top + gs::kCellLine2Top, textRight - textLeft, smallLine),
        ShownLine2(user->line2), &small, gs::kCellSmall, DT_END_ELLIPSIS);
}
