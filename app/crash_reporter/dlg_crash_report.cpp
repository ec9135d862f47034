#include "app/crash_reporter/dlg_crash_report.h"

#include <QWidget>

#include "app/crash/crash_names.h"
#include "app/crash_reporter/crash_report_style.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_fonts.h"
#include "ui/prompts/prompt_style.h"

namespace cs = crash_report_style;
namespace ps = prompt_style;

namespace {

const QString& SendCaption() {
    static const QString caption = QStringLiteral("发送");
    return caption;
}

}  // namespace

CDlgCrashReport::CDlgCrashReport(const QString& report) : lines_(report.split(QLatin1Char('\n'))) {
    while (!lines_.isEmpty() && lines_.back().isEmpty())
        lines_.removeLast();
}

QString CDlgCrashReport::CaptionText() {
    return QString::fromUtf8(lumeno::crash::kReporterCaption);
}

QString CDlgCrashReport::QuestionText() {
    return QString::fromUtf8(lumeno::crash::kReporterQuestion);
}

QString CDlgCrashReport::FirstFocus() const {
    return SendCaption();
}

void CDlgCrashReport::OnInitialized() {
    if (QWidget* widget = Widget()) widget->setAccessibleDescription(QuestionText());
}

void CDlgCrashReport::DrawDialog(UiContext& ctx, UiRegion& root) {
    const int width = ctx.client.right;
    const int height = ctx.client.bottom;
    prompt_frame::DrawBody(root, ctx.client, ps::kBody, ps::kFooterHeight);

    const QFont& questionFont = TextFont(cs::kQuestionPixels);
    UiLabel(root,
            UiRect(cs::kMargin, cs::kQuestionTop, width - cs::kMargin,
                   cs::kQuestionTop + TextLineHeight(questionFont)),
            QuestionText(), &questionFont, cs::kQuestion);
    const QFont& noteFont = TextFont(cs::kNotePixels);
    UiLabel(root,
            UiRect(cs::kMargin, cs::kNoteTop, width - cs::kMargin,
                   cs::kNoteTop + TextLineHeight(noteFont)),
            QStringLiteral("将要发送的报告（程序版本、时间和调用栈，不含聊天内容和密码）："),
            &noteFont, cs::kNote);

    // The report, as many lines as the panel holds; each line cut to the panel's width.
    const UiRect panel(cs::kMargin, cs::kReportTop, width - cs::kMargin,
                       height - ps::kFooterHeight - cs::kReportBottomGap);
    UiFill(root, panel, cs::kReportBorder);
    UiFill(root, UiRect(panel.left + 1, panel.top + 1, panel.right - 1, panel.bottom - 1),
           cs::kReportBack);
    const QFont& reportFont = TextFont(cs::kReportPixels);
    const int lineHeight = TextLineHeight(reportFont);
    int top = panel.top + cs::kReportPadding;
    for (const QString& line : lines_) {
        if (top + lineHeight > panel.bottom - cs::kReportPadding) break;
        UiLabel(root,
                UiRect(panel.left + cs::kReportPadding, top, panel.right - cs::kReportPadding,
                       top + lineHeight),
                line, &reportFont, cs::kReportText);
        top += lineHeight;
    }

    const int buttonWidth = prompt_frame::ButtonWidth();
    const int buttonTop = height - ps::kButtonBottomMargin - prompt_frame::ButtonHeight();
    const int sendLeft = width - cs::kMargin - buttonWidth;
    if (prompt_frame::WhiteButton(root, sendLeft - ps::kButtonGap - buttonWidth, buttonTop,
                                  QStringLiteral("不发送"))) {
        ctx.Later([this] { EndDialog(kDontSend); });
    }
    if (prompt_frame::BlueButton(root, sendLeft, buttonTop, SendCaption())) {
        ctx.Later([this] { EndDialog(kSend); });
    }
}
