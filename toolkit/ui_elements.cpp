#include "toolkit/ui_elements.h"

#include <QPainter>

#include "toolkit/kes_bitmap.h"
#include "toolkit/skin_fonts.h"
#include "toolkit/skin_images.h"
#include "toolkit/text_draw.h"
#include "toolkit/win_defs.h"

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

int StateFor(const UiContext& ctx, const UiRect& placed, unsigned flags) {
    if (!TakesMouse(flags)) return kUiInactive;
    if (placed.IsEmpty() || placed != ctx.hover) return kUiNormal;
    return placed == ctx.leftPress ? kUiPressed : kUiHovered;
}

// The hit rules, by the event's message.
int HitTest(UiContext& ctx, const UiRect& placed, unsigned flags, const QString* tooltip) {
    UiEvent& event = *ctx.event;
    const bool takes = TakesMouse(flags);
    switch (event.message) {
        case WM_MOUSEMOVE:
            if (takes || (tooltip && !tooltip->isEmpty())) {
                event.rect = placed;
                event.tooltip = tooltip ? *tooltip : QString();
                event.hand = takes && (flags & kUiHandCursor);
            }
            return kUiNothing;
        case WM_LBUTTONDOWN:
            if (takes && (flags & kUiClickOnPress)) {
                event.acted = true;
                ctx.Finish();
                return kUiClicked;
            }
            if (takes) event.rect = placed;
            return kUiNothing;
        case WM_LBUTTONUP:
            if (takes && placed == event.pressed) {
                ctx.Finish();
                return kUiClicked;
            }
            return kUiNothing;
        case WM_LBUTTONDBLCLK:
            if (!takes) return kUiNothing;
            event.rect = placed;
            ctx.Finish();
            return kUiDoubleClicked;
        case WM_RBUTTONDOWN:
            if (!takes) return kUiNothing;
            event.rect = placed;
            ctx.Finish();
            return kUiRightPressed;
        case WM_RBUTTONUP:
            if (!takes) return kUiNothing;
            event.rect = placed;
            ctx.Finish();
            return kUiRightReleased;
        default:
            return kUiNothing;
    }
}

const QFont& OrDefault(const QFont* font, const QFont& fallback) {
    return font ? *font : fallback;
}

}  // namespace

UiElement::UiElement(UiRegion& region, const UiRect& rect, unsigned flags, const QString* tooltip) {
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
            break;
    }
}

UiElement::~UiElement() {
    if (!draws_) return;
    if (clipped_) {
        dc_->restore();
    } else {
        dc_->translate(-own_.left, -own_.top);
    }
}

int UiStateOf(const UiRegion& region, const UiRect& rect, unsigned flags) {
    const UiRect placed = rect.Offset(region.x, region.y).Intersected(region.bounds);
    return StateFor(region.ctx, placed, flags);
}

int UiHitTest(UiRegion& region, const UiRect& rect, unsigned flags, const QString& tooltip) {
    UiElement element(region, rect, flags, &tooltip);
    return element.Hit();
}

int UiText(UiRegion& region, const QFont* font, const QString& text, const QColor& colour, int x,
           int y) {
    const QFont& face = OrDefault(font, UiFont(12));
    const int width = TextWidth(face, text);
    UiElement element(region, UiRect::FromSize(x, y, width, TextLineHeight(face)), 0);
    if (element.Draws()) {
        element.dc().setPen(colour);
        DrawTextLine(element.dc(), text, QPoint(0, 0), face);
    }
    return x + width;
}

namespace {

void Label(UiRegion& region, const UiRect& rect, const QString& text, const QString* tooltip,
           const QFont* font, const QColor& colour, unsigned format) {
    const QFont& face = OrDefault(font, TextFont(12));
    // Working out whether the text is cut costs a measurement: only mouse passes need it.
    QString cutText;
    if (!tooltip && region.ctx.mode == UiMode::Mouse && TextIsCut(face, text, rect.Width())) {
        cutText = text;
    }
    UiElement element(region, rect, 0, tooltip ? tooltip : &cutText);
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
    if (element.Draws()) {
        DrawTextInRect(element.dc(), text, QRect(0, 0, element.Width(), element.Height()),
                       DT_WORDBREAK | DT_END_ELLIPSIS, OrDefault(font, TextFont(12)), colour);
    }
}

namespace {

int ButtonFrame(const UiElement& element, unsigned flags) {
    if (flags & kUiDisabled) return 3;
    return element.State();
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
    if (element.Draws()) {
        const int frame = ButtonFrame(element, flags);
        DrawButtonImage(element, image, frame, strip);
        if (!caption.isEmpty()) {
            const bool disabled = flags & kUiDisabled;
            const int drop = element.State() == kUiPressed ? 4 : 2;
            DrawTextInRect(element.dc(), caption,
                           QRect(0, drop, element.Width(), element.Height() - drop),
                           DT_CENTER | DT_VCENTER | DT_SINGLELINE, TextFont(12),
                           disabled ? QColor(102, 102, 102) : QColor(Qt::black));
        }
    }
    return element.Hit() == kUiClicked;
}

bool UiSkinButton(UiRegion& region, const UiRect& rect, CKesBitmap* image, const QString& caption,
                  const QString& tooltip, const QFont* font, const QColor& colour,
                  int captionOffset, unsigned flags) {
    UiElement element(region, rect, flags, &tooltip);
    if (element.Draws()) {
        const int frame = ButtonFrame(element, flags);
        if (image) image->DrawFrame(element.dc(), 0, 0, element.Width(), element.Height(), frame);
        if (!caption.isEmpty()) {
            const int drop = element.State() == kUiPressed ? 2 : 0;
            const bool centred = captionOffset < 0;
            const QRect area(centred ? 0 : captionOffset, drop,
                             element.Width() - (centred ? 0 : captionOffset), element.Height());
            DrawTextInRect(element.dc(), caption, area,
                           DT_VCENTER | DT_SINGLELINE | (centred ? DT_CENTER : DT_LEFT),
                           OrDefault(font, TextFont(12)), colour);
        }
    }
    return element.Hit() == kUiClicked;
}

bool UiIconButton(UiRegion& region, const UiRect& rect, CKesBitmap* background, CKesBitmap* icon,
                  bool selected) {
    UiElement element(region, rect, kUiTakesMouse);
    if (element.Draws()) {
        const bool lit = selected || element.State() == kUiHovered || element.State() == kUiPressed;
        if (background) {
            background->DrawFrame(element.dc(), 0, 0, element.Width(), element.Height(),
                                  lit ? 1 : 0);
        }
        if (icon && !icon->IsEmpty()) {
            const int x = (element.Width() - icon->FrameWidth()) / 2;
            const int y = (element.Height() - icon->FrameHeight()) / 2;
            icon->Draw(element.dc(), x, y, selected ? 1 : 0);
        }
    }
    return element.Hit() == kUiClicked;
}

namespace {

// Check boxes and radio buttons: nine frames, the box vertically centred at the left.
bool CheckElement(UiRegion& region, const UiRect& rect, CKesBitmap& image, const QString& caption,
                  const QFont& font, bool checked, bool disabled, const QColor& colour,
                  int captionOffset) {
    const unsigned flags = kUiTakesMouse | (disabled ? kUiDisabled : 0);
    UiElement element(region, rect, flags);
    if (element.Draws()) {
        const int frame = disabled ? 8 : element.State() + (checked ? 4 : 0);
        const int boxY = (element.Height() - image.FrameHeight()) / 2;
        image.Draw(element.dc(), 0, boxY, frame);
        if (!caption.isEmpty()) {
            const QColor textColour = colour.isValid() ? colour : QColor(Qt::white);
            DrawTextInRect(
                element.dc(), caption,
                QRect(captionOffset, 0, element.Width() - captionOffset, element.Height()),
                DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS, font, textColour);
        }
    }
    return element.Hit() == kUiClicked;
}

}  // namespace

bool UiCheckBox(UiRegion& region, const UiRect& rect, const QString& caption, bool checked,
                bool disabled, const QColor& colour, int captionOffset) {
    return CheckElement(region, rect, BuiltInImage(117), caption, TextFont(15), checked, disabled,
                        colour, captionOffset);
}

bool UiRadio(UiRegion& region, const UiRect& rect, const QString& caption, const QFont* font,
             bool selected, bool disabled, const QColor& colour, int captionOffset) {
    return CheckElement(region, rect, SkinImage("radio.png"), caption,
                        OrDefault(font, TextFont(15)), selected, disabled, colour, captionOffset);
}

bool UiRoundCheck(UiRegion& region, const UiRect& rect, int index) {
    UiElement element(region, rect, kUiTakesMouse);
    if (element.Draws()) {
        SkinImage("checkbox_round.png")
            .DrawFrame(element.dc(), 0, 0, element.Width(), element.Height(),
                       element.State() + 4 * index);
    }
    return element.Hit() == kUiClicked;
}

bool UiHitArea(UiRegion& region, const UiRect& rect, unsigned flags) {
    return UiHitTest(region, rect, flags) == kUiClicked;
}

bool UiDoubleClickArea(UiRegion& region, const UiRect& rect) {
    return UiHitTest(region, rect, kUiTakesMouse) == kUiDoubleClicked;
}

bool UiRightClickArea(UiRegion& region, const UiRect& rect) {
    return UiHitTest(region, rect, kUiTakesMouse) == kUiRightReleased;
}

bool UiLink(UiRegion& region, const QString& text, const QFont* font, const QColor& colour, int x,
            int y, bool handCursor, bool clickOnPress) {
    const QFont& face = OrDefault(font, UiFont(12));
    const unsigned flags =
        kUiTakesMouse | (handCursor ? kUiHandCursor : 0) | (clickOnPress ? kUiClickOnPress : 0);
    UiElement element(
        region, UiRect::FromSize(x, y, TextWidth(face, text) + 3, TextLineHeight(face)), flags);
    if (element.Draws()) {
        QFont shown = face;
        // A link under the pointer is underlined, so that it reads as one.
        if (element.State() == kUiHovered || element.State() == kUiPressed)
            shown.setUnderline(true);
        element.dc().setPen(colour);
        DrawTextLine(element.dc(), text, QPoint(0, 0), shown);
    }
    return element.Hit() == kUiClicked;
}

bool UiDrawable(UiRegion& region, const UiRect& rect, IUiDrawable& drawable, unsigned flags) {
    UiElement element(region, rect, flags);
    if (element.Draws())
        drawable.Draw(element.dc(), QRect(0, 0, element.Width(), element.Height()));
    return element.Hit() == kUiClicked;
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

void UiImage(UiRegion& region, const UiRect& rect, CKesBitmap& image, int frame) {
    UiElement element(region, rect, 0);
    if (element.Draws())
        image.DrawFrame(element.dc(), 0, 0, element.Width(), element.Height(), frame);
}
