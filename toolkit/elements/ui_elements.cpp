#include "toolkit/elements/ui_elements.h"

#include <QPainter>

#include "toolkit/elements/element_style.h"
#include "toolkit/elements/panel_draw.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/win_defs.h"

UiRegion::UiRegion(UiContext& context)
    : ctx(context),
      bounds(context.client),
      width_(context.client.Width()),
      height_(context.client.Height()) {}

UiRegion::UiRegion(const UiRegion& parent, const UiRect& rect, unsigned regionFlags)
    : ctx(parent.ctx),
      x(parent.x + rect.left),
      y(parent.y + rect.top),
      bounds(rect.Offset(parent.x, parent.y).Intersected(parent.bounds)),
      flags(regionFlags),
      width_(rect.Width()),
      height_(rect.Height()) {}

namespace {

bool TakesMouse(unsigned flags) {
    return (flags & kUiTakesMouse) && !(flags & kUiDisabled);
}

UiState StateFor(const UiContext& ctx, const UiRect& placed, unsigned flags) {
    if (!TakesMouse(flags)) return UiState::Inactive;
    if (placed.IsEmpty() || placed != ctx.hover) return UiState::Normal;
    return placed == ctx.leftPress ? UiState::Pressed : UiState::Hovered;
}

// The hit rules, by the event's message.
UiHit HitTest(UiContext& ctx, const UiRect& placed, unsigned flags, const QString* tooltip) {
    UiEvent& event = *ctx.event;
    const bool takes = TakesMouse(flags);
    switch (event.message) {
        case WM_MOUSEMOVE: {
            // An element drawn later lies on top. Only elements that take the mouse become the
            // hover (the press and the click follow it); a tooltip alone never takes the hover
            // from the element under it, so a cut label on a row leaves the row clickable.
            const bool tip = tooltip && !tooltip->isEmpty();
            if (takes) {
                event.rect = placed;
                event.hand = flags & kUiHandCursor;
                event.tipRect = tip ? placed : UiRect();
                event.tooltip = tip ? *tooltip : QString();
            } else if (tip) {
                event.tipRect = placed;
                event.tooltip = *tooltip;
            }
            return UiHit::Nothing;
        }
        case WM_LBUTTONDOWN:
            if (takes && (flags & kUiClickOnPress)) {
                event.acted = true;
                ctx.Finish();
                return UiHit::Clicked;
            }
            if (takes) event.rect = placed;
            return UiHit::Nothing;
        case WM_LBUTTONUP:
            if (takes && placed == event.pressed) {
                ctx.Finish();
                return UiHit::Clicked;
            }
            return UiHit::Nothing;
        case WM_LBUTTONDBLCLK:
            if (!takes) return UiHit::Nothing;
            event.rect = placed;
            ctx.Finish();
            return UiHit::DoubleClicked;
        case WM_RBUTTONDOWN:
            if (!takes) return UiHit::Nothing;
            event.rect = placed;
            ctx.Finish();
            return UiHit::RightPressed;
        case WM_RBUTTONUP:
            if (!takes) return UiHit::Nothing;
            event.rect = placed;
            ctx.Finish();
            return UiHit::RightReleased;
        default:
            return UiHit::Nothing;
    }
}

const QFont& OrDefault(const QFont* font, const QFont& fallback) {
    return font ? *font : fallback;
}

UiNodeState FocusableIf(unsigned flags) {
    UiNodeState states = TakesMouse(flags) ? UiNodeState::Focusable : UiNodeState::None;
    if (flags & kUiDisabled) states = states | UiNodeState::Disabled;
    if (flags & kUiDefaultButton) states = states | UiNodeState::Default;
    return states;
}

void DrawFocusRing(QPainter& dc, int width, int height) {
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing);
    QPen pen(palette::kFocusRing, palette::kFocusRingWidth);
    dc.setPen(pen);
    dc.setBrush(Qt::NoBrush);
    const qreal half = palette::kFocusRingWidth / 2.0;
    const qreal inset = palette::kFocusRingInset + half;
    const QRectF ring(inset, inset, width - 2 * inset, height - 2 * inset);
    if (ring.width() > 0 && ring.height() > 0) {
        dc.drawRoundedRect(ring, palette::kFocusRingRadius, palette::kFocusRingRadius);
        dc.setPen(QPen(palette::kFocusRingHalo, 1));
        const QRectF halo = ring.adjusted(half + 0.5, half + 0.5, -half - 0.5, -half - 0.5);
        if (halo.width() > 0 && halo.height() > 0) {
            dc.drawRoundedRect(halo, palette::kFocusRingRadius, palette::kFocusRingRadius);
        }
    }
    dc.restore();
}

}  // namespace

UiElement::UiElement(UiRegion& region, const UiRect& rect, unsigned flags, const QString* tooltip)
    : ctx_(&region.ctx), flags_(flags) {
    UiContext& ctx = region.ctx;
    if (ctx.Finished()) return;
    own_ = rect.Offset(region.x, region.y);
    placed_ = own_.Intersected(region.bounds);
    if (placed_.IsEmpty()) return;
    state_ = StateFor(ctx, placed_, flags);
    switch (ctx.mode) {
        case UiMode::Paint:
            if (!ctx.dc || !placed_.Intersects(ctx.clip)) return;
            draws_ = true;
            dc_ = ctx.dc;
            focusRing_ = TakesMouse(flags) && !ctx.focus.IsEmpty() && placed_ == ctx.focus;
            if (placed_ != own_) {
                clipped_ = true;
                dc_->save();
                dc_->setClipRect(placed_.ToQRect(), Qt::IntersectClip);
            }
            dc_->translate(own_.left, own_.top);
            break;
        case UiMode::Mouse:
            if (ctx.event && placed_.Contains(ctx.event->x, ctx.event->y)) {
                hit_ = HitTest(ctx, placed_, flags, tooltip);
            }
            break;
        case UiMode::Timer:
        case UiMode::Describe:
            break;
    }
}

void UiElement::Describe(UiRole role, const QString& name, UiNodeState states) {
    if (!ctx_ || ctx_->mode != UiMode::Describe || !ctx_->nodes || placed_.IsEmpty()) return;
    if (ctx_->Finished()) return;
    ctx_->nodes->push_back(UiNode{role, name, placed_, states});
}

UiElement::~UiElement() {
    if (!draws_) return;
    if (focusRing_) DrawFocusRing(*dc_, own_.Width(), own_.Height());
    if (clipped_) {
        dc_->restore();
    } else {
        dc_->translate(-own_.left, -own_.top);
    }
}

UiState UiStateOf(const UiRegion& region, const UiRect& rect, unsigned flags) {
    const UiRect placed = rect.Offset(region.x, region.y).Intersected(region.bounds);
    return StateFor(region.ctx, placed, flags);
}

UiHit UiHitTest(UiRegion& region, const UiRect& rect, unsigned flags, const QString& tooltip) {
    UiElement element(region, rect, flags, &tooltip);
    return element.Hit();
}

int UiText(UiRegion& region, const QFont* font, const QString& text, const QColor& colour, int x,
           int y) {
    const QFont& face = OrDefault(font, UiFont(element_style::kUiTextPixels));
    const int width = TextWidth(face, text);
    UiElement element(region, UiRect::FromSize(x, y, width, TextLineHeight(face)), 0);
    element.Describe(UiRole::Text, text);
    if (element.Draws()) {
        element.dc().setPen(colour);
        DrawTextLine(element.dc(), text, QPoint(0, 0), face);
    }
    return x + width;
}

namespace {

void Label(UiRegion& region, const UiRect& rect, const QString& text, const QString* tooltip,
           const QFont* font, const QColor& colour, unsigned format) {
    const QFont& face = OrDefault(font, TextFont(element_style::kLabelPixels));
    // Working out whether the text is cut costs a measurement: only mouse passes need it.
    QString cutText;
    if (!tooltip && region.ctx.mode == UiMode::Mouse && TextIsCut(face, text, rect.Width())) {
        cutText = text;
    }
    UiElement element(region, rect, 0, tooltip ? tooltip : &cutText);
    element.Describe(UiRole::Text, text);
    if (element.Draws()) {
        DrawTextInRect(element.dc(), text, QRect(0, 0, element.Width(), element.Height()),
                       (format | DT_SINGLELINE | DT_END_ELLIPSIS) & ~DT_WORDBREAK, face, colour);
    }
}

}  // namespace

void UiLabel(UiRegion& region, const UiRect& rect, const QString& text, const QFont* font,
             const QColor& colour, unsigned format) {
    Label(region, rect, text, nullptr, font, colour, format);
}

void UiLabelTip(UiRegion& region, const UiRect& rect, const QString& text, const QString& tooltip,
                const QFont* font, const QColor& colour, unsigned format) {
    Label(region, rect, text, &tooltip, font, colour, format);
}

void UiTextBlock(UiRegion& region, const UiRect& rect, const QString& text, const QFont* font,
                 const QColor& colour) {
    UiElement element(region, rect, 0);
    element.Describe(UiRole::Text, text);
    if (element.Draws()) {
        DrawTextInRect(element.dc(), text, QRect(0, 0, element.Width(), element.Height()),
                       DT_WORDBREAK | DT_END_ELLIPSIS,
                       OrDefault(font, TextFont(element_style::kLabelPixels)), colour);
    }
}

namespace {

int ButtonFrame(const UiElement& element, unsigned flags) {
    if (flags & kUiDisabled) return static_cast<int>(element_style::ButtonFrame::Disabled);
    return element_style::StateFrame(element.State());
}

void DescribeButton(UiElement& element, const QString& caption, const QString& tooltip,
                    unsigned flags) {
    element.Describe(UiRole::Button, caption.isEmpty() ? tooltip : caption, FocusableIf(flags));
}

void DrawButtonImage(const UiElement& element, CKesBitmap* image, int frame, const UiStrip* strip) {
    if (!image) return;
    auto* threePart = strip ? dynamic_cast<CKesBitmapHorizen3Part*>(image) : nullptr;
    if (threePart) {
        threePart->DrawFrameStrip(element.dc(), 0, 0, element.Width(), strip->sourceY,
                                  strip->sourceHeight, frame);
    } else {
        image->DrawFrame(element.dc(), 0, 0, element.Width(), element.Height(), frame);
    }
}

}  // namespace

bool UiButton(UiRegion& region, const UiRect& rect, const QString& caption, const QString& tooltip,
              unsigned flags, CKesBitmap* image, const UiStrip* strip) {
    UiElement element(region, rect, flags, &tooltip);
    DescribeButton(element, caption, tooltip, flags);
    if (element.Draws()) {
        const int frame = ButtonFrame(element, flags);
        DrawButtonImage(element, image, frame, strip);
        if (!caption.isEmpty()) {
            const bool disabled = flags & kUiDisabled;
            const int drop = element.State() == UiState::Pressed
                                 ? element_style::kButtonPressedCaptionDrop
                                 : element_style::kButtonCaptionDrop;
            DrawTextInRect(
                element.dc(), caption, QRect(0, drop, element.Width(), element.Height() - drop),
                DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                TextFont(element_style::kButtonCaptionPixels),
                disabled ? element_style::kButtonDisabledCaption : element_style::kButtonCaption);
        }
    }
    return element.Hit() == UiHit::Clicked;
}

bool UiSkinButton(UiRegion& region, const UiRect& rect, CKesBitmap* image, const QString& caption,
                  const QString& tooltip, const QFont* font, const QColor& colour,
                  int captionOffset, unsigned flags) {
    UiElement element(region, rect, flags, &tooltip);
    DescribeButton(element, caption, tooltip, flags);
    if (element.Draws()) {
        const int frame = ButtonFrame(element, flags);
        if (image) image->DrawFrame(element.dc(), 0, 0, element.Width(), element.Height(), frame);
        if (!caption.isEmpty()) {
            const int drop =
                element.State() == UiState::Pressed ? element_style::kSkinButtonPressedDrop : 0;
            const bool centred = captionOffset < 0;
            const QRect area(centred ? 0 : captionOffset, drop,
                             element.Width() - (centred ? 0 : captionOffset), element.Height());
            DrawTextInRect(element.dc(), caption, area,
                           DT_VCENTER | DT_SINGLELINE | (centred ? DT_CENTER : DT_LEFT),
                           OrDefault(font, TextFont(element_style::kButtonCaptionPixels)), colour);
        }
    }
    return element.Hit() == UiHit::Clicked;
}

bool UiIconButton(UiRegion& region, const UiRect& rect, CKesBitmap* background, CKesBitmap* icon,
                  bool selected, const QString& name) {
    using element_style::IconFrame;
    UiElement element(region, rect, kUiTakesMouse);
    element.Describe(UiRole::Button, name,
                     FocusableIf(kUiTakesMouse) | UiNodeState::Checkable |
                         (selected ? UiNodeState::Checked : UiNodeState::None));
    if (element.Draws()) {
        const bool lit =
            selected || element.State() == UiState::Hovered || element.State() == UiState::Pressed;
        if (background) {
            background->DrawFrame(element.dc(), 0, 0, element.Width(), element.Height(),
                                  static_cast<int>(lit ? IconFrame::Lit : IconFrame::Quiet));
        }
        if (icon && !icon->IsEmpty()) {
            const int x = (element.Width() - icon->FrameWidth()) / 2;
            const int y = (element.Height() - icon->FrameHeight()) / 2;
            icon->Draw(element.dc(), x, y,
                       static_cast<int>(selected ? IconFrame::Lit : IconFrame::Quiet));
        }
    }
    return element.Hit() == UiHit::Clicked;
}

namespace {

// Check boxes and radio buttons: nine frames, the box vertically centred at the left.
bool CheckElement(UiRegion& region, const UiRect& rect, CKesBitmap& image, UiRole role,
                  const QString& caption, const QFont& font, bool checked, bool disabled,
                  const QColor& colour, int captionOffset) {
    const unsigned flags = kUiTakesMouse | (disabled ? kUiDisabled : 0);
    UiElement element(region, rect, flags);
    element.Describe(role, caption,
                     FocusableIf(flags) | UiNodeState::Checkable |
                         (checked ? UiNodeState::Checked : UiNodeState::None));
    if (element.Draws()) {
        const int frame = disabled ? element_style::kCheckDisabledFrame
                                   : element_style::StateFrame(element.State()) +
                                         (checked ? element_style::kCheckedFrameOffset : 0);
        const int boxY = (element.Height() - image.FrameHeight()) / 2;
        image.Draw(element.dc(), 0, boxY, frame);
        if (!caption.isEmpty()) {
            const QColor textColour = colour.isValid() ? colour : element_style::kCheckCaption;
            DrawTextInRect(
                element.dc(), caption,
                QRect(captionOffset, 0, element.Width() - captionOffset, element.Height()),
                DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS, font, textColour);
        }
    }
    return element.Hit() == UiHit::Clicked;
}

}  // namespace

bool UiCheckBox(UiRegion& region, const UiRect& rect, const QString& caption, bool checked,
                bool disabled, const QColor& colour, int captionOffset) {
    return CheckElement(region, rect, BuiltInImage(117), UiRole::CheckBox, caption,
                        TextFont(element_style::kCheckCaptionPixels), checked, disabled, colour,
                        captionOffset);
}

bool UiRadio(UiRegion& region, const UiRect& rect, const QString& caption, const QFont* font,
             bool selected, bool disabled, const QColor& colour, int captionOffset) {
    return CheckElement(region, rect, SkinImage("radio.png"), UiRole::RadioButton, caption,
                        OrDefault(font, TextFont(element_style::kCheckCaptionPixels)), selected,
                        disabled, colour, captionOffset);
}

bool UiRoundCheck(UiRegion& region, const UiRect& rect, int index) {
    UiElement element(region, rect, kUiTakesMouse);
    element.Describe(UiRole::CheckBox, QString(),
                     FocusableIf(kUiTakesMouse) | UiNodeState::Checkable |
                         (index > 0 ? UiNodeState::Checked : UiNodeState::None));
    if (element.Draws()) {
        SkinImage("checkbox_round.png")
            .DrawFrame(element.dc(), 0, 0, element.Width(), element.Height(),
                       element_style::StateFrame(element.State()) +
                           element_style::kCheckedFrameOffset * index);
    }
    return element.Hit() == UiHit::Clicked;
}

bool UiCheckArea(UiRegion& region, const UiRect& rect, const QString& name, bool checked) {
    UiElement element(region, rect, kUiTakesMouse);
    element.Describe(UiRole::CheckBox, name,
                     FocusableIf(kUiTakesMouse) | UiNodeState::Checkable |
                         (checked ? UiNodeState::Checked : UiNodeState::None));
    return element.Hit() == UiHit::Clicked;
}

bool UiHitArea(UiRegion& region, const UiRect& rect, unsigned flags) {
    return UiHitTest(region, rect, flags) == UiHit::Clicked;
}

bool UiDoubleClickArea(UiRegion& region, const UiRect& rect) {
    return UiHitTest(region, rect, kUiTakesMouse) == UiHit::DoubleClicked;
}

bool UiRightClickArea(UiRegion& region, const UiRect& rect) {
    return UiHitTest(region, rect, kUiTakesMouse) == UiHit::RightReleased;
}

bool UiLink(UiRegion& region, const QString& text, const QFont* font, const QColor& colour, int x,
            int y, bool handCursor, bool clickOnPress) {
    const QFont& face = OrDefault(font, UiFont(element_style::kUiTextPixels));
    const unsigned flags =
        kUiTakesMouse | (handCursor ? kUiHandCursor : 0) | (clickOnPress ? kUiClickOnPress : 0);
    UiElement element(region,
                      UiRect::FromSize(x, y, TextWidth(face, text) + element_style::kLinkExtraWidth,
                                       TextLineHeight(face)),
                      flags);
    element.Describe(UiRole::Link, text, FocusableIf(flags));
    if (element.Draws()) {
        QFont shown = face;
        // A link under the pointer is underlined, so that it reads as one.
        if (element.State() == UiState::Hovered || element.State() == UiState::Pressed)
            shown.setUnderline(true);
        element.dc().setPen(colour);
        DrawTextLine(element.dc(), text, QPoint(0, 0), shown);
    }
    return element.Hit() == UiHit::Clicked;
}

bool UiDrawable(UiRegion& region, const UiRect& rect, IUiDrawable& drawable, unsigned flags,
                const QString& imageName) {
    UiElement element(region, rect, flags);
    if (!imageName.isEmpty()) element.Describe(UiRole::Image, imageName);
    if (element.Draws())
        drawable.Draw(element.dc(), QRect(0, 0, element.Width(), element.Height()));
    return element.Hit() == UiHit::Clicked;
}

void UiLine(UiRegion& region, const QColor& colour, QPoint from, QPoint to) {
    UiContext& ctx = region.ctx;
    if (ctx.mode != UiMode::Paint || !ctx.dc || from == to) return;
    // The last point is left out: a line from (0, 5) to (10, 5) covers x 0..9.
    QPoint last = to;
    if (from.y() == to.y()) last.rx() += to.x() > from.x() ? -1 : 1;
    if (from.x() == to.x()) last.ry() += to.y() > from.y() ? -1 : 1;
    const UiRect box(std::min(from.x(), last.x()), std::min(from.y(), last.y()),
                     std::max(from.x(), last.x()) + 1, std::max(from.y(), last.y()) + 1);
    const UiRect placed = box.Offset(region.x, region.y).Intersected(region.bounds);
    if (placed.IsEmpty() || !placed.Intersects(ctx.clip)) return;
    QPainter& dc = *ctx.dc;
    if ((from.x() == to.x() || from.y() == to.y()) &&
        dc.deviceTransform().type() <= QTransform::TxTranslate) {
        // At 1x a straight line one pixel wide is the box it covers: filled, it skips the pen.
        // (Scaled, the pen keeps every line one device pixel thick.)
        dc.fillRect(placed.ToQRect(), colour);
        return;
    }
    dc.save();
    dc.setClipRect(placed.ToQRect(), Qt::IntersectClip);
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setPen(QPen(colour, 1));
    dc.drawLine(from + QPoint(region.x, region.y), last + QPoint(region.x, region.y));
    dc.restore();
}

void UiFill(UiRegion& region, const UiRect& rect, const QColor& colour) {
    UiContext& ctx = region.ctx;
    if (ctx.mode != UiMode::Paint || !ctx.dc) return;
    const UiRect placed =
        rect.Offset(region.x, region.y).Intersected(region.bounds).Intersected(ctx.clip);
    if (!placed.IsEmpty()) ctx.dc->fillRect(placed.ToQRect(), colour);
}

void UiEdge(UiRegion& region, const UiRect& rect, const QColor& colour, int radius) {
    UiElement element(region, rect, 0);
    if (element.Draws())
        DrawRoundedEdge(element.dc(), QRect(0, 0, element.Width(), element.Height()), colour,
                        radius);
}

void UiImage(UiRegion& region, const UiRect& rect, CKesBitmap& image, int frame,
             const QString& name) {
    UiElement element(region, rect, 0);
    if (!name.isEmpty()) element.Describe(UiRole::Image, name);
    if (element.Draws())
        image.DrawFrame(element.dc(), 0, 0, element.Width(), element.Height(), frame);
}
