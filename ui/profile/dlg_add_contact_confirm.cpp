#include "ui/profile/dlg_add_contact_confirm.h"

#include <QTimer>

#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/edit/edit_ex.h"
#include "ui/profile/profile_style.h"
#include "ui/prompts/message_box.h"
#include "ui/prompts/prompt_style.h"
#include "ui/ui_messages.h"

namespace ps = profile_style;

CDlgAddContactConfirm::CDlgAddContactConfirm(QString defaultText) : text_(std::move(defaultText)) {}

QString CDlgAddContactConfirm::Text() const {
    return box_ ? box_->text() : text_;
}

void CDlgAddContactConfirm::OnInitialized() {
    // Any text; Escape closes the dialog as it does from its buttons.
    box_ = new CEditEx(*this, EditKind::Text, QString());
    box_->SetLengthLimits(0, kMostCharacters);
    box_->setFont(TextFont(ps::kConfirmEditPixels));
    box_->SetColours(palette::kSurface, palette::kText, palette::kTextSecondary);
    box_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box_->setAccessibleName(QStringLiteral("验证信息"));
    box_->SetText(text_);
    box_->Place(UiRect::FromSize(ps::kConfirmBoxLeft + ps::kConfirmEditInset,
                                 ps::kConfirmBoxTop + ps::kConfirmEditInset,
                                 ps::kConfirmBoxWidth - 2 * ps::kConfirmEditInset,
                                 ps::kConfirmBoxHeight - 2 * ps::kConfirmEditInset));
    // After the frame has put the keyboard on its first element.
    QPointer<CEditEx> box = box_;
    QTimer::singleShot(0, box, [box] {
        if (box) box->setFocus(Qt::OtherFocusReason);
    });
}

bool CDlgAddContactConfirm::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                            LRESULT& result) {
    if (message == UM_EDIT_RETURN && lParam == static_cast<LPARAM>(EditReturn::Enter)) {
        Confirm();
        return true;
    }
    if (message == UM_EDIT_RETURN && lParam == static_cast<LPARAM>(EditReturn::Tab)) {
        MoveFocus(true);  // on to the buttons
        return true;
    }
    return CPromptDialog::OnWindowMessage(message, wParam, lParam, result);
}

void CDlgAddContactConfirm::Confirm() {
    if (Text().trimmed().isEmpty()) {
        ShowMessageBox(m_hWnd, "请输入验证信息", "Lumeno-提示", MB_OK);
        if (box_) box_->setFocus(Qt::OtherFocusReason);
        return;
    }
    text_ = Text();
    EndDialog(IDOK);
}

void CDlgAddContactConfirm::DrawDialog(UiContext& ctx, UiRegion& root) {
    const int height = ctx.client.bottom;
    prompt_frame::DrawBody(root, ctx.client, palette::kSurface, prompt_style::kFooterHeight);
    UiText(root, &TextFont(ps::kConfirmLabelPixels), QStringLiteral("请输入验证信息："),
           ps::kConfirmLabel, ps::kConfirmLabelLeft, ps::kConfirmLabelTop);
    UiImage(root,
            UiRect::FromSize(ps::kConfirmBoxLeft, ps::kConfirmBoxTop, ps::kConfirmBoxWidth,
                             ps::kConfirmBoxHeight),
            SkinImage("login_eidt_bg.png"));

    const int buttonTop = height - ps::kConfirmButtonBottom - prompt_frame::ButtonHeight();
    if (prompt_frame::WhiteButton(root, ps::kConfirmCloseLeft, buttonTop, QStringLiteral("关闭"))) {
        ctx.Later([this] { EndDialog(IDCANCEL); });
    }
    if (prompt_frame::BlueButton(root, ps::kConfirmOkLeft, buttonTop, QStringLiteral("确定"))) {
        ctx.Later([this] { Confirm(); });
    }
}
