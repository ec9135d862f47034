#include "ui/prompts/prompt_dialog.h"

#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/prompts/prompt_style.h"

namespace ps = prompt_style;

namespace prompt_frame {

namespace {

void FocusStart(HWND hwnd, const QString& focusName) {
    auto* dialog = dynamic_cast<VDialogCore*>(platform::WindowFromHandle(hwnd));
    if (!dialog) return;
    UiRect first;
    for (const UiNode& node : dialog->Describe()) {
        if (!Has(node.states, UiNodeState::Focusable) || Has(node.states, UiNodeState::Disabled))
            continue;
        // The close button of the top bar is not where the keyboard starts.
        if (node.name == QStringLiteral("关闭")) continue;
        if (focusName.isEmpty() || node.name == focusName) {
            first = node.rect;
            break;
        }
    }
    if (!first.IsEmpty()) dialog->SetFocusElement(first);
}

}  // namespace

void Initialize(VDialogCore& dialog, CWndShadow& shadow, const QString& caption, int width,
                int height, const QString& focusName) {
    shadow.Create(dialog.m_hWnd);
    dialog.SetCornerRadius(palette::kCornerRadius);
    dialog.SetWindowText(caption);
    dialog.ResizeClient(width, height);
    dialog.CenterWindow();
    const HWND hwnd = dialog.m_hWnd;
    if (QWidget* widget = dialog.Widget()) {
        widget->setAccessibleName(caption);
        QTimer::singleShot(0, widget, [hwnd, focusName] { FocusStart(hwnd, focusName); });
    }
}

void DrawChrome(UiContext& ctx, UiRegion& root, VDialogCore& dialog, const QString& name) {
    const int width = ctx.client.right;
    UiImage(root, UiRect(0, 0, width, ps::kTitleBarHeight), SkinImage("main_top_bg.png"));
    UiText(root, &TextFont(ps::kTitlePixels), name, ps::kTitle, ps::kTitleLeft, ps::kTitleTop);
    CKesBitmap& close = SkinImage("sys_btn_close.png");
    if (UiButton(root, UiRect(width - close.FrameWidth(), 0, width, close.FrameHeight()), QString(),
                 QStringLiteral("关闭"), kUiTakesMouse, &close)) {
        VDialogCore* target = &dialog;
        ctx.Later([target] { target->EndDialog(IDCANCEL); });
    }
    // The dialog's own edge, over the top bar and the body: it stays visible over a white
    // window where there is no shadow.
    UiEdge(root, ctx.client, palette::kDialogEdge, palette::kCornerRadius);
}

bool PressForEnter(VDialogCore& dialog) {
    const UiNodeList nodes = dialog.Describe();
    const UiRect& focus = dialog.FocusRect();
    for (const UiNode& node : nodes) {
        if (node.rect == focus && !focus.IsEmpty() &&
            (node.role == UiRole::Button || node.role == UiRole::Link)) {
            return dialog.ActivateElement(focus);
        }
    }
    for (const UiNode& node : nodes) {
        if (Has(node.states, UiNodeState::Default) && !Has(node.states, UiNodeState::Disabled))
            return dialog.ActivateElement(node.rect);
    }
    return false;
}

void DrawBody(UiRegion& root, const UiRect& client, const QColor& body, int footerHeight) {
    UiFill(root, UiRect(0, ps::kTitleBarHeight, client.right, client.bottom), body);
    if (footerHeight <= 0) return;
    const int top = client.bottom - footerHeight;
    UiFill(root, UiRect(0, top, client.right, client.bottom), ps::kFooter);
    UiLine(root, ps::kFooterLine, QPoint(0, top), QPoint(client.right, top));
}

UiRect ChoiceRect(int left, int top, const QString& caption, const QFont& font) {
    return UiRect::FromSize(
        left, top, ps::kChoiceCaptionOffset + TextWidth(font, caption) + ps::kChoiceRightPadding,
        ps::kChoiceHeight);
}

int ButtonWidth() {
    return SkinImage("small_blue_btn.png").FrameWidth();
}

int ButtonWidth(const QString& caption) {
    return std::max(ButtonWidth(),
                    TextWidth(TextFont(ps::kButtonPixels), caption) + 2 * ps::kButtonTextPadding);
}

int ButtonHeight() {
    return SkinImage("small_blue_btn.png").FrameHeight();
}

bool WhiteButton(UiRegion& root, int left, int top, const QString& caption) {
    return UiSkinButton(root, UiRect::FromSize(left, top, ButtonWidth(caption), ButtonHeight()),
                        &SkinImage("small_white_btn.png"), caption, QString(),
                        &TextFont(ps::kButtonPixels), ps::kWhiteButtonCaption, -1, kUiTakesMouse);
}

bool BlueButton(UiRegion& root, int left, int top, const QString& caption, bool isDefault) {
    return UiSkinButton(root, UiRect::FromSize(left, top, ButtonWidth(caption), ButtonHeight()),
                        &SkinImage("small_blue_btn.png"), caption, QString(),
                        &TextFont(ps::kButtonPixels), ps::kBlueButtonCaption, -1,
                        kUiTakesMouse | (isDefault ? kUiDefaultButton : 0));
}

bool CloseChoiceRadios(UiRegion& root, int top, const QString& trayCaption,
                       const QString& quitCaption, bool trayAvailable, bool& closeToTray) {
    const QFont& font = TextFont(ps::kRadioPixels);
    bool changed = false;
    auto radio = [&](const QString& caption, bool toTray, bool disabled) {
        if (UiRadio(root, ChoiceRect(ps::kChoiceLeft, top, caption, font), caption, &font,
                    closeToTray == toTray, disabled, ps::kChoiceCaption,
                    ps::kChoiceCaptionOffset)) {
            changed = closeToTray != toTray;
            closeToTray = toTray;
        }
        top += ps::kChoiceStep;
    };
    radio(trayCaption, true, !trayAvailable);
    radio(quitCaption, false, false);
    return changed;
}

}  // namespace prompt_frame
