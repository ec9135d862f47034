#pragma once
// The drawn elements. Each takes its region and a rectangle relative to the region, draws itself
// while painting and answers for the pointer in mouse passes. Hover and press are identified by
// the element's rectangle, so an element keeps its identity between passes only while its
// rectangle stays the same.

#include <QColor>
#include <QPoint>
#include <QString>

#include "toolkit/elements/ui_context.h"

class QFont;
class QPainter;
class CKesBitmap;

// Anything that can draw itself into a rectangle.
class IUiDrawable {
  public:
    virtual void Draw(QPainter& dc, const QRect& rect) = 0;
    virtual ~IUiDrawable() = default;
};

// The placing, drawing setup and hit test every element shares. While it lives and painting
// is on, the painter's origin is the element's top-left corner (and drawing is clipped to the
// part inside the region).
class UiElement {
  public:
    UiElement(UiRegion& region, const UiRect& rect, unsigned flags,
              const QString* tooltip = nullptr);
    ~UiElement();
    UiElement(const UiElement&) = delete;
    UiElement& operator=(const UiElement&) = delete;

    // In a describe pass: records the element for readers and the keyboard.
    void Describe(UiRole role, const QString& name, UiNodeState states = UiNodeState::None);
    bool Draws() const { return draws_; }
    UiHit Hit() const { return hit_; }
    UiState State() const { return state_; }
    QPainter& dc() const { return *dc_; }
    int Width() const { return own_.Width(); }
    int Height() const { return own_.Height(); }
    // In client coordinates: the element, and the part of it inside the region.
    const UiRect& Own() const { return own_; }
    const UiRect& Placed() const { return placed_; }

  private:
    QPainter* dc_ = nullptr;
    UiContext* ctx_ = nullptr;
    unsigned flags_ = 0;
    bool focusRing_ = false;
    UiRect own_;
    UiRect placed_;
    bool draws_ = false;
    bool clipped_ = false;
    UiHit hit_ = UiHit::NotHit;
    UiState state_ = UiState::Normal;
};

// The drawing state an element with these flags has at `rect`.
UiState UiStateOf(const UiRegion& region, const UiRect& rect, unsigned flags);
// The raw hit result of an element with no drawing.
UiHit UiHitTest(UiRegion& region, const UiRect& rect, unsigned flags = kUiTakesMouse,
                const QString& tooltip = QString());

// One line at (x, y); returns x plus the text's width so that calls can be chained. A null font
// is the UI face 12 px.
int UiText(UiRegion& region, const QFont* font, const QString& text, const QColor& colour, int x,
           int y);
// One line in the rectangle, cut with an ellipsis; a cut text is offered as the tooltip.
void UiLabel(UiRegion& region, const UiRect& rect, const QString& text, const QFont* font = nullptr,
             const QColor& colour = Qt::black, unsigned format = 0);
// As UiLabel, with its own tooltip.
void UiLabelTip(UiRegion& region, const UiRect& rect, const QString& text, const QString& tooltip,
                const QFont* font = nullptr, const QColor& colour = Qt::black, unsigned format = 0);
// Several word-wrapped lines, the last cut with an ellipsis.
void UiTextBlock(UiRegion& region, const UiRect& rect, const QString& text,
                 const QFont* font = nullptr, const QColor& colour = Qt::black);

// Which rows of the image a button takes (for three-part images that hold several looks).
struct UiStrip {
    int sourceY = 0;
    int sourceHeight = 0;
};
// A four-frame image (normal, hovered, pressed, disabled) with a centred caption in the text face
// 12 px. Returns true when clicked. A button without a caption is named by its tooltip.
bool UiButton(UiRegion& region, const UiRect& rect, const QString& caption, const QString& tooltip,
              unsigned flags, CKesBitmap* image, const UiStrip* strip = nullptr);
// A stretchable four-frame image with a caption in the given font and colour, at
// `captionOffset` from the left (centred when negative).
bool UiSkinButton(UiRegion& region, const UiRect& rect, CKesBitmap* image, const QString& caption,
                  const QString& tooltip, const QFont* font, const QColor& colour,
                  int captionOffset, unsigned flags);
// A two-frame background stretched over the rectangle with a two-frame icon centred on it.
// `name` is what a screen reader says for it (it has no caption).
bool UiIconButton(UiRegion& region, const UiRect& rect, CKesBitmap* background, CKesBitmap* icon,
                  bool selected, const QString& name = QString());
// The built-in check box with a caption in the text face 15 px (white without a colour).
bool UiCheckBox(UiRegion& region, const UiRect& rect, const QString& caption, bool checked,
                bool disabled, const QColor& colour = QColor(), int captionOffset = 20);
bool UiRadio(UiRegion& region, const UiRect& rect, const QString& caption, const QFont* font,
             bool selected, bool disabled, const QColor& colour = QColor(), int captionOffset = 20);
// "checkbox_round.png", frame = state + 4 × index.
bool UiRoundCheck(UiRegion& region, const UiRect& rect, int index);
// A whole area that ticks on a click (a row of a chooser): a check box named `name` to readers
// and the keyboard, with the focus ring around the area. It draws nothing else: the row draws
// itself first.
bool UiCheckArea(UiRegion& region, const UiRect& rect, const QString& name, bool checked);
bool UiHitArea(UiRegion& region, const UiRect& rect, unsigned flags = kUiTakesMouse);
bool UiDoubleClickArea(UiRegion& region, const UiRect& rect);
bool UiRightClickArea(UiRegion& region, const UiRect& rect);
// Text that clicks; its rectangle is the text's size plus 3 px in width.
bool UiLink(UiRegion& region, const QString& text, const QFont* font, const QColor& colour, int x,
            int y, bool handCursor = true, bool clickOnPress = false);
bool UiDrawable(UiRegion& region, const UiRect& rect, IUiDrawable& drawable,
                unsigned flags = kUiTakesMouse, const QString& imageName = QString());
// A 1-pixel solid line from `from` to `to` (the end point not drawn, as lines always were).
void UiLine(UiRegion& region, const QColor& colour, QPoint from, QPoint to);
void UiFill(UiRegion& region, const UiRect& rect, const QColor& colour);
// A 1-pixel outline just inside the rectangle, round at the corners (a window's or a panel's
// edge). It never takes the mouse.
void UiEdge(UiRegion& region, const UiRect& rect, const QColor& colour, int radius);
// A frame of a skin picture stretched over the rectangle; a picture with a name is read out.
void UiImage(UiRegion& region, const UiRect& rect, CKesBitmap& image, int frame = 0,
             const QString& name = QString());
