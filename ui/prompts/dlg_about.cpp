#include "ui/prompts/dlg_about.h"

#include <algorithm>

#include "config/log.h"
#include "net/server_settings.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_fonts.h"
#include "ui/prompts/prompt_style.h"
#include "ui/prompts/web_address.h"

namespace ps = prompt_style;

namespace {

UpdateCheckHooks& Hooks() {
    static UpdateCheckHooks hooks;
    return hooks;
}

QString StatusText(UpdateStatus status) {
    switch (status) {
        case UpdateStatus::Checking:
            return QStringLiteral("正在检查更新...");
        case UpdateStatus::Downloading:
            return QStringLiteral("正在下载新版本...");
        case UpdateStatus::UpToDate:
            return QStringLiteral("已经是最新版");
        case UpdateStatus::NewVersion:
            return QStringLiteral("有新版本可以更新");
        case UpdateStatus::Failed:
            return QStringLiteral("检查出错请重试");
        case UpdateStatus::Refused:
            return QString::fromUtf8(kUpdateRefusedText);
    }
    return QString();
}

}  // namespace

void SetUpdateCheckHooks(UpdateCheckHooks hooks) {
    Hooks() = std::move(hooks);
}

CDlgAbout::CDlgAbout()
    : versionText_(QStringLiteral("版本号: %1").arg(QString::fromUtf8(ProgramFileVersion()))),
      linkText_(QStringLiteral("检查更新")) {
    if (Hooks().newerKnown && Hooks().newerKnown())
        linkText_ = StatusText(UpdateStatus::NewVersion);
}

CDlgAbout::~CDlgAbout() {
    CAsyncWorkFlow::CancelFlow(&check_);
}

void CDlgAbout::OnWindowDestroyed() {
    // Closing the dialog, however it happens, stops a running check.
    CAsyncWorkFlow::CancelFlow(&check_);
    CPromptDialog::OnWindowDestroyed();
}

void CDlgAbout::StartCheck() {
    if (check_.Busy()) return;
    if (!Hooks().start) {
        WriteLogText("no update checker is installed");
        return;
    }
    const auto alive = AliveToken();
    UpdateReport report;
    report.status = [this, alive](UpdateStatus status) {
        if (*alive) OnStatus(status);
    };
    report.progress = [this, alive](std::uint64_t received, std::uint64_t total) {
        if (*alive) OnProgress(received, total);
    };
    Hooks().start(&check_, m_hWnd, std::move(report));
}

void CDlgAbout::OnStatus(UpdateStatus status) {
    linkText_ = StatusText(status);
    Invalidate(false);
}

void CDlgAbout::OnProgress(std::uint64_t received, std::uint64_t total) {
    // The share downloaded when the length is known, else the amount.
    if (total > 0) {
        const auto percent =
            static_cast<int>(std::min<std::uint64_t>(received, total) * 100 / total);
        linkText_ =
            QStringLiteral("%1 %2%").arg(StatusText(UpdateStatus::Downloading)).arg(percent);
    } else {
        linkText_ = QStringLiteral("%1 %2 KB")
                        .arg(StatusText(UpdateStatus::Downloading))
                        .arg(static_cast<qulonglong>(received / 1024));
    }
    Invalidate(false);
}

void CDlgAbout::DrawDialog(UiContext& ctx, UiRegion& root) {
    const int width = ctx.client.right;
    const int height = ctx.client.bottom;
    prompt_frame::DrawBody(root, ctx.client, ps::kBody, ps::kFooterHeight);
    const int after = UiText(root, &TextFont(ps::kAboutPixels), versionText_, ps::kAboutText,
                             ps::kAboutLeft, ps::kAboutVersionTop);
    if (UiLink(root, QStringLiteral("(%1)").arg(linkText_), &TextFont(ps::kAboutLinkPixels),
               ps::kLink, after + ps::kAboutLinkGap, ps::kAboutLinkTop)) {
        ctx.Later([this] { StartCheck(); });
    }
    const int siteLeft = UiText(root, &TextFont(ps::kAboutPixels), QStringLiteral("官方网站："),
                                ps::kAboutText, ps::kAboutLeft, ps::kAboutSiteTop);
    if (UiLink(root, QString::fromUtf8(web_address::kProductSite), &TextFont(ps::kAboutPixels),
               ps::kLink, siteLeft, ps::kAboutSiteTop)) {
        ctx.Later([] { web_address::Open(web_address::kProductSite); });
    }
    const int buttonTop = height - ps::kButtonBottomMargin - prompt_frame::ButtonHeight();
    if (prompt_frame::BlueButton(root, width - ps::kChoiceLeft - prompt_frame::ButtonWidth(),
                                 buttonTop, QStringLiteral("确定"))) {
        ctx.Later([this] {
            CAsyncWorkFlow::CancelFlow(&check_);
            EndDialog(IDOK);
        });
    }
}
