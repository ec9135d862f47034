#include "ui/pending/dlg_send_resume.h"

#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_fonts.h"
#include "ui/pending/specials_style.h"
#include "ui/prompts/prompt_style.h"
#include "ui/prompts/web_address.h"

namespace ss = specials_style;

CDlgSendResume::CDlgSendResume(std::string resumeAddress) : address_(std::move(resumeAddress)) {}

void CDlgSendResume::DrawDialog(UiContext& ctx, UiRegion& root) {
    const int width = ctx.client.right;
    const int height = ctx.client.bottom;
    prompt_frame::DrawBody(root, ctx.client, ss::kDialogBody, prompt_style::kFooterHeight);
    const QFont& face = TextFont(ss::kQuestionPixels);
    UiLabel(root, UiRect(0, ss::kQuestionTop, width, ss::kQuestionTop + TextLineHeight(face)),
            QStringLiteral("是否向该职位投递简历？"), &face, ss::kQuestion, DT_CENTER);
    const int buttonWidth = prompt_frame::ButtonWidth();
    const int top = height - ss::kDialogButtonBottom - prompt_frame::ButtonHeight();
    const int whiteLeft = width / 2 - ss::kDialogButtonSpacing / 2 - buttonWidth;
    const int blueLeft = width / 2 + ss::kDialogButtonSpacing / 2;
    if (prompt_frame::WhiteButton(root, whiteLeft, top, QStringLiteral("预览简历"))) {
        // Only a web address is opened; anything else the service sent is left alone.
        ctx.Later([this] { web_address::Open(address_); });
    }
    if (prompt_frame::BlueButton(root, blueLeft, top, QStringLiteral("直接投递"))) {
        ctx.Later([this] { EndDialog(kConfirmed); });
    }
}
