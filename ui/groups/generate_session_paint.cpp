// The drawing of the contact picker: the caption, the search band, the candidate rows, the strip
// of ticked people and the confirm button.
#include "storage/image_cache.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_caption.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/common/cached_pictures.h"
#include "ui/groups/dlg_generate_session.h"
#include "ui/groups/group_style.h"
#include "ui/groups/group_texts.h"

namespace gs = group_style;

namespace {

QString Text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

QString CDlgGenerateSession::RowName(int index) {
    const ContactListEntry* entry = candidates_.ShownAt(index);
    return entry ? Text(entry->name) : QString();
}

void CDlgGenerateSession::DrawBackground(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, gs::kRow);
}

void CDlgGenerateSession::DrawEmpty(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, gs::kRow);
    const QString text = candidates_.Searching()
                             ? group_texts::NoMatch(Text(candidates_.SearchText()))
                             : group_texts::NoCandidates();
    UiLabel(root, UiRect(0, gs::kEmptyTop, ctx.client.right, gs::kEmptyTop + gs::kEmptyHeight),
            text, &TextFont(gs::kRowCareerPixels), gs::kRowCareer, DT_CENTER);
}

void CDlgGenerateSession::DrawRow(UiContext& ctx, int index, const UiRect& rect) {
    const ContactListEntry* entry = candidates_.ShownAt(index);
    if (!entry) return;
    UiRegion root(ctx);
    const QString name = Text(entry->name);
    const bool ticked = candidates_.IsSelected(entry->qxid);
    if (ctx.mode != UiMode::Paint) {
        // A click anywhere on the row ticks it, as do Space and Enter once Tab is on it; the row
        // is known by its person, not its place.
        if (UiCheckArea(root, rect, name, ticked)) {
            ctx.Later([this, qxid = entry->qxid] {
                Toggle(qxid);
                list_.SetFocus();
            });
        }
        return;
    }
    const int x0 = rect.left;
    const int y0 = rect.top;
    UiFill(root, rect, list_.HoverRow() == index ? gs::kRowHover : gs::kRow);
    UiRoundCheck(
        root,
        UiRect::FromSize(x0 + gs::kCheckLeft, y0 + gs::kCheckTop, gs::kCheckSize, gs::kCheckSize),
        static_cast<int>(ticked ? gs::CheckMark::Ticked : gs::CheckMark::Unticked));
    rowPictures_->Draw(root,
                       UiRect::FromSize(x0 + gs::kRowAvatarLeft, y0 + gs::kRowAvatarTop,
                                        gs::kRowAvatarSize, gs::kRowAvatarSize),
                       entry->avatar, kLargeAvatarKey, SkinImage("main_icon_default.png"), name);
    const QFont& nameFace = TextFont(gs::kRowNamePixels);
    UiLabel(
        root,
        UiRect(x0 + gs::kRowNameLeft, y0 + gs::kRowNameTop, rect.right - gs::kRowCareerRightMargin,
               y0 + gs::kRowNameTop + TextLineHeight(nameFace)),
        name, &nameFace, gs::kRowName);
    const QFont& careerFace = TextFont(gs::kRowCareerPixels);
    UiLabel(root,
            UiRect(x0 + gs::kRowNameLeft, y0 + gs::kRowCareerTop,
                   rect.right - gs::kRowCareerRightMargin, rect.bottom),
            Text(entry->career), &careerFace, gs::kRowCareer, DT_END_ELLIPSIS);
    UiCheckArea(root, rect, name, ticked);  // the focus ring, over the row
}

// ---- painting ----

QString CDlgGenerateSession::ConfirmCaption() const {
    const int count = static_cast<int>(candidates_.Selected().size());
    return count ? QStringLiteral("确定(%1)").arg(count) : QStringLiteral("确定");
}

void CDlgGenerateSession::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    const UiRect client = ctx.client;
    const int width = client.right;
    const int height = client.bottom;
    UiImage(root, UiRect(0, 0, width, gs::kTitleBarHeight), SkinImage("main_top_bg.png"));
    UiText(root, &TextFont(gs::kPickerTitlePixels), Title(), gs::kTitle, gs::kPickerTitleLeft,
           gs::kPickerTitleTop);
    const CaptionResult caption =
        UiCaption(root, UiRect(0, 0, width, gs::kTitleBarHeight), QString(),
                  CaptionButtons::Close | CaptionButtons::Minimise);
    if (caption.hit == CaptionHit::Close) ctx.Later([this] { DestroyWindow(); });
    if (caption.hit == CaptionHit::Minimise) ctx.Later([this] { ShowWindow(SW_MINIMIZE); });

    UiFill(root, UiRect(0, gs::kTitleBarHeight, width, height), gs::kBody);
    UiFill(root, UiRect(0, gs::kTitleBarHeight, width, gs::kSearchBandBottom), gs::kBand);
    CKesBitmap& searchBar = SkinImage("white_searchbar_bg.png");
    UiImage(root,
            UiRect::FromSize(gs::kSearchBarLeft, gs::kSearchBarTop, width - 2 * gs::kSearchBarLeft,
                             searchBar.FrameHeight()),
            searchBar);
    UiText(root, &TextFont(gs::kLabelPixels), group_texts::ContactsLabel(), gs::kLabel,
           gs::kLabelLeft, gs::kLabelTop);
    if (!candidates_.Selected().empty()) DrawStrip(ctx, root, client);

    const int band = height - gs::kBottomBand;
    UiFill(root, UiRect(0, band, width, height), gs::kBand);
    CKesBitmap& button = SkinImage("small_blue_btn.png");
    const UiRect confirm = UiRect::FromSize(gs::kConfirmLeft, height - gs::kConfirmFromBottom,
                                            gs::kConfirmWidth, button.FrameHeight());
    const unsigned flags = Confirming() ? kUiDisabled : kUiTakesMouse | kUiDefaultButton;
    if (UiSkinButton(root, confirm, &button, ConfirmCaption(), QString(),
                     &TextFont(gs::kConfirmPixels), gs::kConfirmCaption, -1, flags)) {
        ctx.Later([this] { Confirm(); });
    }
    if (!note_.isEmpty()) {
        UiLabel(root, UiRect(0, height - gs::kNoteFromBottom, width, height), note_,
                &TextFont(gs::kNotePixels), gs::kError, DT_CENTER);
    }
}

void CDlgGenerateSession::DrawStrip(UiContext& ctx, UiRegion& root, const UiRect& client) {
    const int top = client.bottom - gs::kStripFromBottom;
    UiFill(root, UiRect(0, top, client.right, client.bottom - gs::kBottomBand), gs::kStrip);
    const std::vector<std::string>& selected = candidates_.Selected();
    const int offset = candidates_.StripOffset();
    CKesBitmap& mark = SkinImage("dlg_Generate_bten_del.png");
    for (int k = 0; k < gs::kStripShown; ++k) {
        const std::size_t at = static_cast<std::size_t>(offset + k);
        if (at >= selected.size()) break;
        const ContactListEntry* entry = candidates_.Find(selected[at]);
        if (!entry) continue;
        const QString name = Text(entry->name);
        const UiRect avatar =
            UiRect::FromSize(gs::kStripLeft + gs::kStripStep * k, top + gs::kStripAvatarTop,
                             gs::kStripAvatarSize, gs::kStripAvatarSize);
        stripPictures_->Draw(root, avatar, entry->avatar, kLargeAvatarKey,
                             SkinImage("main_icon_default.png"), name);
        const UiRect remove(avatar.right - gs::kRemoveMarkInset, avatar.top - gs::kRemoveMarkOut,
                            avatar.right + gs::kRemoveMarkOut, avatar.top + gs::kRemoveMarkInset);
        if (UiButton(root, remove, QString(), group_texts::Untick(name), kUiTakesMouse, &mark)) {
            ctx.Later([this, qxid = entry->qxid] { Toggle(qxid); });
        }
    }
    if (static_cast<int>(selected.size()) <= gs::kStripShown) return;
    const UiRect back =
        UiRect::FromSize(gs::kArrowMargin, top + gs::kArrowTop, gs::kArrowSize, gs::kArrowSize);
    const UiRect on = UiRect::FromSize(client.right - gs::kArrowMargin - gs::kArrowSize,
                                       top + gs::kArrowTop, gs::kArrowSize, gs::kArrowSize);
    if (UiButton(root, back, QString(), group_texts::StripBack(),
                 candidates_.CanScrollBack() ? kUiTakesMouse : kUiDisabled,
                 &SkinImage("btn_ToLeft.png"))) {
        ctx.Later([this] {
            candidates_.ScrollBack();
            Invalidate(false);
        });
    }
    if (UiButton(root, on, QString(), group_texts::StripOn(),
                 candidates_.CanScrollOn() ? kUiTakesMouse : kUiDisabled,
                 &SkinImage("btn_ToRight.png"))) {
        ctx.Later([this] {
            candidates_.ScrollOn();
            Invalidate(false);
        });
    }
}
