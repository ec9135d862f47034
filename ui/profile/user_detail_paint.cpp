// The profile window's drawing: its frame, the card and the detail sections.
#include "ui/profile/dlg_user_detail.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "api/contacts.h"
#include "conversation/page_links.h"
#include "storage/image_cache.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/chat/chat_entry.h"
#include "ui/profile/profile_style.h"

namespace ps = profile_style;

namespace {

constexpr char kCopyHint[] = "点击复制";
constexpr char kCopied[] = "已复制";

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

const char* LevelMark(FriendDegree degree) {
    switch (degree) {
        case FriendDegree::Self:
            return "icon_contact_me.png";
        case FriendDegree::First:
            return "icon_contact1.png";
        case FriendDegree::Second:
            return "icon_contact2.png";
        case FriendDegree::Third:
            break;
    }
    return "icon_contact3.png";
}

// The anonymous avatar the skin holds under the user's picture name.
QImage AnonymousAvatar(const std::string& name) {
    if (!IsSafePictureName(name)) return QImage();
    return QImage(SkinFilePath(QStringLiteral("qxstc-ie6fix/images/anony/") + Text(name) +
                               QStringLiteral(".png")));
}

}  // namespace

void CDlgUserDetail::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    const int width = ctx.client.right;
    const int height = ctx.client.bottom;
    UiFill(root, UiRect(0, ps::kCaptionHeight, width, height), ps::kBody);
    UiImage(root, UiRect(0, 0, width, ps::kCaptionHeight), SkinImage("main_top_bg.png"));
    UiText(root, &TextFont(ps::kTitlePixels), QStringLiteral("详细资料"), ps::kTitle,
           ps::kTitleLeft, ps::kTitleTop);
    CKesBitmap& close = SkinImage("sys_btn_close.png");
    CKesBitmap& minimise = SkinImage("sys_btn_min.png");
    const UiRect closeRect(width - close.FrameWidth(), 0, width, close.FrameHeight());
    if (UiButton(root, closeRect, QString(), QStringLiteral("关闭"), kUiTakesMouse, &close)) {
        ctx.Later([this] { CloseWindow(); });
    }
    const UiRect minRect(closeRect.left - minimise.FrameWidth(), 0, closeRect.left,
                         minimise.FrameHeight());
    if (UiButton(root, minRect, QString(), QStringLiteral("最小化"), kUiTakesMouse, &minimise)) {
        ctx.Later([this] { ShowWindow(SW_MINIMIZE); });
    }

    const UiRect strip(0, height - ps::kStripHeight, width, height);
    UiFill(root, strip, ps::kStrip);
    CKesBitmap& drop = SkinImage("userdetail_drop.png");
    const UiRect arrow = UiRect::FromSize(ps::kDropLeft, strip.top + ps::kDropTop,
                                          drop.FrameWidth(), drop.FrameHeight());
    if (expanded_) {
        // Open: the arrow points up, to fold the details away.
        UiElement element(root, arrow, 0);
        if (element.Draws()) {
            QPainter& dc = element.dc();
            dc.save();
            dc.translate(arrow.Width(), arrow.Height());
            dc.rotate(180);
            drop.DrawFrame(dc, 0, 0, arrow.Width(), arrow.Height(), 0);
            dc.restore();
        }
    } else {
        UiImage(root, arrow, drop);
    }
    const bool canToggle = expanded_ || CanExpand();
    if (UiButton(root, strip, QString(),
                 expanded_ ? QStringLiteral("收起") : QStringLiteral("展开"),
                 canToggle ? kUiTakesMouse | kUiHandCursor : kUiDisabled, nullptr)) {
        ctx.Later([this] { ToggleExpanded(); });
    }
}

void CDlgUserDetail::DrawBackground(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, ps::kBody);
}

void CDlgUserDetail::DrawItem(UiContext& ctx, int index, QString, const UiRect& rect) {
    if (index < 0 || index >= static_cast<int>(sections_.size())) return;
    UiRegion root(ctx);
    const ProfileSection& section = sections_[static_cast<std::size_t>(index)];
    if (section.kind == SectionKind::Card) {
        if (user_.anonym) {
            DrawAnonymousCard(root, rect);
        } else {
            DrawCard(root, rect);
        }
        return;
    }
    DrawSection(root, section, rect);
}

void CDlgUserDetail::DrawCard(UiRegion& region, const UiRect& rect) {
    const int x0 = rect.left;
    const int y0 = rect.top;
    const FriendDegree degree = DegreeOf(user_);
    CKesBitmap& mark = SkinImage(LevelMark(degree));
    UiImage(region,
            UiRect::FromSize(rect.right - ps::kLevelMarkRight, y0 + ps::kLevelMarkTop,
                             mark.FrameWidth(), mark.FrameHeight()),
            mark);
    const UiRect avatar = UiRect::FromSize(x0 + ps::kAvatarLeft, y0 + ps::kAvatarTop,
                                           ps::kAvatarSize, ps::kAvatarSize);
    CKesBitmap& fallback = SkinImage("main_icon_default.png");
    if (!user_.avatar.empty() && pictures_) {
        pictures_->Draw(region, avatar, user_.avatar, kLargeAvatarKey, fallback);
    } else {
        UiImage(region, avatar, fallback);
    }

    const QFont& nameFont = TextFont(ps::kNamePixels);
    const QString name = Text(user_.name);
    UiLabel(
        region,
        UiRect::FromSize(x0 + ps::kNameLeft, y0 + ps::kNameTop, ps::kNameWidth, ps::kNameHeight),
        name, &nameFont, ps::kName, DT_VCENTER | DT_END_ELLIPSIS);
    if (user_.judge) {
        CKesBitmap& v = SkinImage("icon_v2.png");
        const int left = x0 + ps::kNameLeft + ps::kVMarkGap +
                         std::min(TextWidth(nameFont, name), ps::kNameWidth);
        UiImage(region, UiRect::FromSize(left, y0 + ps::kVMarkTop, v.FrameWidth(), v.FrameHeight()),
                v);
    }
    const QString position =
        user_.loc.empty() ? Text(user_.career)
                          : QStringLiteral("%1(%2)").arg(Text(user_.career), Text(user_.loc));
    UiLabel(region,
            UiRect(x0 + ps::kNameLeft, y0 + ps::kPositionTop, x0 + ps::kPositionRight,
                   y0 + ps::kPositionTop + ps::kPositionHeight),
            position, &TextFont(ps::kPositionPixels), ps::kName, DT_VCENTER | DT_END_ELLIPSIS);
    if (degree != FriendDegree::Self) {
        const QString line = ProfileLineOf(FindProfile(userId_));
        if (!line.isEmpty()) {
            UiText(region, &TextFont(ps::kExtraPixels), line, ps::kExtra, x0 + ps::kNameLeft,
                   y0 + ps::kExtraTop);
        }
    }

    int top = y0 + ps::kContactTop;
    DrawContactRow(region, x0 + ps::kContactLeft, top, ContactRow::Mobile, QStringLiteral("手机"),
                   contacts_.mobile);
    top += ps::kContactStep;
    DrawContactRow(region, x0 + ps::kContactLeft, top, ContactRow::Email, QStringLiteral("邮箱"),
                   contacts_.email);
    top += ps::kContactStep;
    DrawContactRow(region, x0 + ps::kContactLeft, top, ContactRow::QQ, QStringLiteral("QQ"),
                   contacts_.qq);
    DrawButtons(region, rect);
}

void CDlgUserDetail::DrawContactRow(UiRegion& region, int left, int top, ContactRow row,
                                    const QString& label, const QString& value) {
    const QFont& font = TextFont(ps::kContactPixels);
    const QFont& hintFont = TextFont(ps::kCopyPixels);
    const QString text = QStringLiteral("%1： %2").arg(label, value);
    const QString hint = QString::fromUtf8(kCopyHint);
    const QString copied = QString::fromUtf8(kCopied);
    const int textWidth = TextWidth(font, text);
    if (value.isEmpty() || contacts_.hidden) {
        // Nothing to copy: no value, or only the placeholder of someone not yet a friend.
        UiText(region, &font, text, ps::kContact, left, top);
        return;
    }
    const bool justCopied = copied_ == row;
    const int hintWidth = std::max(TextWidth(hintFont, hint), TextWidth(hintFont, copied));
    // The row and its hint are one element: a click anywhere on it copies the value.
    UiElement element(
        region,
        UiRect::FromSize(left, top, textWidth + ps::kCopyGap + hintWidth, ps::kContactHeight),
        kUiTakesMouse | kUiHandCursor);
    element.Describe(UiRole::Link, text, UiNodeState::Focusable);
    if (element.Draws()) {
        element.dc().setPen(ps::kContact);
        DrawTextLine(element.dc(), text, QPoint(0, 0), font);
        if (justCopied) {
            element.dc().setPen(ps::kCopied);
            DrawTextLine(element.dc(), copied, QPoint(textWidth + ps::kCopyGap, 1), hintFont);
        } else if (element.State() == UiState::Hovered || element.State() == UiState::Pressed) {
            element.dc().setPen(ps::kCopyHint);
            DrawTextLine(element.dc(), hint, QPoint(textWidth + ps::kCopyGap, 1), hintFont);
        }
    }
    if (justCopied) {
        // Read out as well as shown.
        UiElement notice(region,
                         UiRect::FromSize(left + textWidth + ps::kCopyGap, top,
                                          TextWidth(hintFont, copied), ps::kContactHeight),
                         0);
        notice.Describe(UiRole::Text, copied);
    }
    if (element.Hit() == UiHit::Clicked) region.ctx.Later([this, row] { CopyContact(row); });
}

void CDlgUserDetail::DrawButtons(UiRegion& region, const UiRect& rect) {
    CKesBitmap& image = SkinImage("white_btn.png");
    const QFont& font = TextFont(ps::kButtonPixels);
    const int top = rect.top + ps::kButtonTop;
    const CardButton first = FirstButton();
    const bool busy = adding_ || Breaking();
    auto button = [&](int left, int width, const QString& caption, bool enabled) {
        return UiSkinButton(region, UiRect::FromSize(left, top, width, image.FrameHeight()), &image,
                            caption, QString(), &font,
                            enabled ? ps::kButtonCaption : ps::kButtonDisabledCaption, -1,
                            enabled ? kUiTakesMouse | kUiHandCursor : kUiDisabled);
    };
    if (first.action == CardAction::EditOwn) {
        const int left = rect.left + (rect.Width() - ps::kWideButtonWidth) / 2;
        if (button(left, ps::kWideButtonWidth, first.caption, true))
            region.ctx.Later([this] { PressFirstButton(); });
        return;
    }
    const int left = rect.left + ps::kButtonLeft;
    if (button(left, ps::kButtonWidth, first.caption, first.enabled && !busy))
        region.ctx.Later([this] { PressFirstButton(); });
    const bool canMessage = DegreeOf(user_) != FriendDegree::Third;
    if (button(left + ps::kButtonStep, ps::kButtonWidth, QStringLiteral("发消息"), canMessage))
        region.ctx.Later([this] { PressSecondButton(); });
}

void CDlgUserDetail::DrawAnonymousCard(UiRegion& region, const UiRect& rect) {
    const int x0 = rect.left;
    const int y0 = rect.top;
    const UiRect avatar = UiRect::FromSize(x0 + ps::kAvatarLeft, y0 + ps::kAvatarTop,
                                           ps::kAvatarSize, ps::kAvatarSize);
    const QImage picture = AnonymousAvatar(user_.avatar);
    if (picture.isNull()) {
        UiImage(region, avatar, SkinImage("main_icon_default.png"));
    } else {
        UiElement element(region, avatar, 0);
        if (element.Draws()) {
            element.dc().setRenderHint(QPainter::SmoothPixmapTransform);
            element.dc().drawImage(QRect(0, 0, avatar.Width(), avatar.Height()), picture);
        }
    }
    const TalentRecord* talent = FindTalent(userId_);
    QStringList lines;
    lines << Text(user_.name);
    if (talent) {
        for (const std::string* line : {&talent->line1, &talent->line2, &talent->line3})
            if (!line->empty()) lines << Text(*line);
        if (!talent->salary.empty()) lines << QStringLiteral("期望薪资： ") + Text(talent->salary);
    } else if (!user_.career.empty()) {
        lines << Text(user_.career);
    }
    const QFont& font = TextFont(ps::kContactPixels);
    int top = y0 + ps::kNameTop;
    for (const QString& line : lines) {
        UiLabel(region,
                UiRect(x0 + ps::kNameLeft, top, x0 + ps::kPositionRight, top + ps::kContactHeight),
                line, &font, ps::kContact, DT_VCENTER | DT_END_ELLIPSIS);
        top += ps::kContactStep;
    }
    CKesBitmap& image = SkinImage("white_btn.png");
    const int left = x0 + (rect.Width() - ps::kWideButtonWidth) / 2;
    if (UiSkinButton(region,
                     UiRect::FromSize(left, y0 + ps::kAnonymousButtonTop - image.FrameHeight(),
                                      ps::kWideButtonWidth, image.FrameHeight()),
                     &image, QStringLiteral("与他联系"), QString(), &TextFont(ps::kButtonPixels),
                     ps::kButtonCaption, -1, kUiTakesMouse | kUiHandCursor)) {
        // The person stays anonymous: their anonymous conversation, never an ordinary one.
        region.ctx.Later([this] { StartConversation(userId_, true); });
    }
}

void CDlgUserDetail::DrawSection(UiRegion& region, const ProfileSection& section,
                                 const UiRect& rect) {
    const int left = rect.left + ps::kSectionLeft;
    const int right = rect.right - ps::kSectionRight;
    switch (section.kind) {
        case SectionKind::Title:
            UiLine(region, ps::kSectionLine, QPoint(rect.left, rect.top),
                   QPoint(rect.right, rect.top));
            UiText(region, &TextFont(ps::kSectionTitlePixels, kFontBold), section.title,
                   ps::kSectionTitle, left, rect.top + ps::kSectionTitleTop);
            return;
        case SectionKind::Tags: {
            int x = left;
            const QFont& textFont = TextFont(ps::kChipTextPixels);
            const QFont& countFont = TextFont(ps::kChipCountPixels);
            for (const ProfileChip& chip : section.chips) {
                const int textWidth = std::min(TextWidth(textFont, chip.text), ps::kChipMostText);
                const int width = textWidth + ChipCountWidth(chip) + 2 * ps::kChipPadding;
                const UiRect chipRect =
                    UiRect::FromSize(x, rect.top + ps::kChipTop, width, ps::kChipHeight);
                UiFill(region, chipRect, ps::kChipFill);
                UiLabel(region,
                        UiRect::FromSize(chipRect.left + ps::kChipPadding, chipRect.top, textWidth,
                                         ps::kChipHeight),
                        chip.text, &textFont, ps::kChipText, DT_VCENTER | DT_END_ELLIPSIS);
                if (chip.count > 0) {
                    UiLabel(region,
                            UiRect(chipRect.left + ps::kChipPadding + textWidth + ps::kChipCountGap,
                                   chipRect.top, chipRect.right, chipRect.bottom),
                            QString::number(chip.count), &countFont, ps::kChipCount, DT_VCENTER);
                }
                x += width + ps::kChipGap;
            }
            return;
        }
        case SectionKind::Values: {
            const QFont& font = TextFont(ps::kValuePixels);
            int top = rect.top + ps::kValueTop;
            UiText(region, &TextFont(ps::kValuePixels, kFontBold), section.title, ps::kValueLabel,
                   left, top);
            for (const auto& [label, value] : section.values) {
                top += ps::kLineStep + (top == rect.top + ps::kValueTop ? ps::kLineStep / 2 : 0);
                UiLabel(region, UiRect(left, top, right, top + ps::kLineStep),
                        QStringLiteral("%1： %2").arg(label, value), &font, ps::kValue,
                        DT_VCENTER | DT_END_ELLIPSIS);
            }
            return;
        }
        case SectionKind::Paragraph: {
            int top = rect.top + ps::kParagraphTop;
            for (const QString& line : section.lines) {
                UiText(region, &TextFont(ps::kValuePixels), line, ps::kValue, left, top);
                top += ps::kLineStep;
            }
            return;
        }
        case SectionKind::Card:
            return;
    }
}
