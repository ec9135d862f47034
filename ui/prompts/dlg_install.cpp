#include "ui/prompts/dlg_install.h"

#include <array>

#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/prompts/message_box.h"
#include "ui/prompts/prompt_style.h"
#include "ui/prompts/web_address.h"

namespace ps = prompt_style;

void CDlgInstallLumeno::DrawDialog(UiContext& ctx, UiRegion& root) {
    const int width = ctx.client.right;
    prompt_frame::DrawBody(root, ctx.client, ps::kBody, 0);
    CKesBitmap& code = SkinImage("dlg_instapp_2.png");
    const int codeLeft = width - ps::kInstallCodeRight - code.FrameWidth();

    static const std::array<QString, 3> lines = {
        QStringLiteral("无Lumeno账号的同学，可以点击下面的链接或者扫描后方"),
        QStringLiteral("的二维码，下载app并注册账号后，就可以登录电脑版"),
        QStringLiteral("的Lumeno了。")};
    const QFont& font = TextFont(ps::kInstallTextPixels);
    int top = ps::kInstallTextTop;
    for (const QString& line : lines) {
        UiLabel(root,
                UiRect(ps::kInstallTextLeft, top, width - ps::kInstallTextLeft,
                       top + TextLineHeight(font)),
                line, &font, ps::kInstallText);
        top += ps::kInstallLineStep;
    }
    UiImage(root,
            UiRect::FromSize(codeLeft, ps::kInstallCodeTop, code.FrameWidth(), code.FrameHeight()),
            code, 0, QStringLiteral("下载 Lumeno app 的二维码"));

    struct Choice {
        const char* picture;
        QString name;
        const char* address;
    };
    const std::array<Choice, 2> choices = {
        Choice{"dlg_instapp_btn1.png", QStringLiteral("下载手机app"), web_address::kMobileAppPage},
        Choice{"dlg_instapp_btn2.png", QStringLiteral("访问官方网站"), web_address::kProductSite}};
    const QFont& captionFont = TextFont(ps::kInstallButtonCaptionPixels);
    int left = ps::kInstallButtonsLeft;
    for (const Choice& choice : choices) {
        CKesBitmap& picture = SkinImage(choice.picture);
        const UiRect rect = UiRect::FromSize(left, ps::kInstallButtonsTop, picture.FrameWidth(),
                                             picture.FrameHeight());
        if (UiButton(root, rect, QString(), choice.name, kUiTakesMouse | kUiHandCursor, &picture)) {
            const char* address = choice.address;
            ctx.Later([this, address] { OpenAndEnd(address); });
        }
        const int captionWidth = TextWidth(captionFont, choice.name);
        UiText(root, &captionFont, choice.name, ps::kInstallButtonCaption,
               rect.left + (rect.Width() - captionWidth) / 2,
               rect.bottom + ps::kInstallButtonCaptionGap);
        left += std::max(picture.FrameWidth(), captionWidth) + ps::kInstallButtonsGap;
    }
}

void CDlgInstallLumeno::OpenAndEnd(const char* address) {
    if (!web_address::Open(address)) {
        ShowMessageBox(m_hWnd, std::string("无法打开浏览器，请手动访问 ") + address + " 。",
                       "出错啦~~", MB_OK);
        return;
    }
    EndDialog(IDOK);
}
