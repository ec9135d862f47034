#include "ui/pending/dlg_special_recommend.h"

#include <QTimer>

#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/edit/edit_ex.h"
#include "ui/pending/specials_style.h"
#include "ui/prompts/prompt_style.h"
#include "ui/ui_messages.h"

namespace ss = specials_style;

namespace {

constexpr char16_t kName[] = u"填写转达理由";
constexpr char16_t kGroupCaption[] = u"同时拉个群聊聊(更真实可信哦~)";
constexpr char16_t kCloseCaption[] = u"关闭";
constexpr char16_t kOkCaption[] = u"确定";

UiRect ReasonFrame() {
    return UiRect(ss::kReasonFrameLeft, ss::kReasonFrameTop, ss::kReasonFrameRight,
                  ss::kReasonFrameBottom);
}

}  // namespace

CDlgSpecialRecommend::CDlgSpecialRecommend(QString defaultText)
    : defaultText_(std::move(defaultText)) {}

QString CDlgSpecialRecommend::Name() const {
    return QString::fromUtf16(kName);
}

QString CDlgSpecialRecommend::FirstFocus() const {
    return QString::fromUtf16(kOkCaption);
}

void CDlgSpecialRecommend::OnInitialized() {
    box_ = new CEditEx(*this, EditKind::Search, defaultText_);
    box_->SetLengthLimits(ss::kReasonMinimum, ss::kReasonMaximum);
    box_->setMaxLength(ss::kReasonMaximum);
    box_->setFont(TextFont(ss::kReasonPixels));
    box_->setAccessibleName(Name());
    const UiRect frame = ReasonFrame();
    box_->Place(UiRect(frame.left + ss::kReasonInset, frame.top + ss::kReasonInset,
                       frame.right - ss::kReasonInset, frame.bottom - ss::kReasonInset));
    // The keyboard starts in the box, after the frame has put it on the default button.
    QPointer<CEditEx> box = box_;
    QTimer::singleShot(0, box_, [box] {
        if (box) box->setFocus();
    });
}

bool CDlgSpecialRecommend::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                           LRESULT& result) {
    if (message == WM_LBUTTONDOWN && box_) {
        // A press beside the drawn elements puts the keyboard back in the box.
        box_->setFocus();
    }
    if (message == UM_EDIT_RETURN && lParam == static_cast<LPARAM>(EditReturn::Enter)) {
        // Enter in the box confirms, as the default button would.
        Confirm();
        return true;
    }
    return CPromptDialog::OnWindowMessage(message, wParam, lParam, result);
}

void CDlgSpecialRecommend::Confirm() {
    const QString typed = box_ ? box_->text().trimmed() : QString();
    // Nothing typed: the placeholder's wording is the reason.
    reason_ = typed.isEmpty() ? defaultText_ : typed;
    EndDialog(kConfirmed);
}

void CDlgSpecialRecommend::DrawDialog(UiContext& ctx, UiRegion& root) {
    const int width = ctx.client.right;
    const int height = ctx.client.bottom;
    prompt_frame::DrawBody(root, ctx.client, ss::kDialogBody, prompt_style::kFooterHeight);
    UiImage(root, ReasonFrame(), SkinImage("login_eidt_bg.png"));
    const QString groupCaption = QString::fromUtf16(kGroupCaption);
    if (UiCheckBox(root,
                   UiRect(ss::kGroupCheckLeft, ss::kGroupCheckTop, ss::kGroupCheckRight,
                          ss::kGroupCheckBottom),
                   groupCaption, groupChat_, false, ss::kGroupCheckCaption,
                   ss::kGroupCheckCaptionOffset)) {
        ctx.Later([this] {
            groupChat_ = !groupChat_;
            Invalidate(false);
        });
    }
    const int buttonWidth = prompt_frame::ButtonWidth();
    const int top = height - ss::kDialogButtonBottom - prompt_frame::ButtonHeight();
    const int whiteLeft = width / 2 - ss::kDialogButtonSpacing / 2 - buttonWidth;
    const int blueLeft = width / 2 + ss::kDialogButtonSpacing / 2;
    if (prompt_frame::WhiteButton(root, whiteLeft, top, QString::fromUtf16(kCloseCaption))) {
        ctx.Later([this] { EndDialog(kClosed); });
    }
    if (prompt_frame::BlueButton(root, blueLeft, top, QString::fromUtf16(kOkCaption))) {
        ctx.Later([this] { Confirm(); });
    }
}
