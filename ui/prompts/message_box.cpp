#include "ui/prompts/message_box.h"

#include <QWidget>
#include <algorithm>

#include "config/log.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_fonts.h"
#include "ui/prompts/prompt_style.h"

namespace ps = prompt_style;

namespace {

constexpr char16_t kProductName[] = u"Lumeno";
constexpr char16_t kBoxName[] = u"提醒";

int TextWidthAvailable() {
    return CDlgMesssageBox::kInitialWidth - 2 * ps::kBoxTextMargin;
}

}  // namespace

CDlgMesssageBox::CDlgMesssageBox(QString mainText, QString secondText)
    : mainText_(std::move(mainText)), secondText_(std::move(secondText)) {}

void CDlgMesssageBox::SetButtonCaptions(QString first, QString second) {
    firstCaption_ = std::move(first);
    secondCaption_ = std::move(second);
}

QString CDlgMesssageBox::Caption() const {
    return caption_.isEmpty() ? QStringLiteral("Lumeno- ") + QString::fromUtf16(kBoxName)
                              : caption_;
}

QString CDlgMesssageBox::Name() const {
    return caption_.isEmpty() ? QString::fromUtf16(kProductName) : caption_;
}

void CDlgMesssageBox::OnInitialized() {
    // Readers announce a box by its text.
    if (QWidget* widget = Widget()) {
        widget->setAccessibleDescription(
            secondText_.isEmpty() ? mainText_ : mainText_ + QLatin1Char('\n') + secondText_);
    }
    if (!longText_) return;
    // Every line is shown: the box grows to hold a long text.
    const QFont& font = TextFont(ps::kBoxTextPixels);
    const int lines = WrappedLineCount(font, mainText_, TextWidthAvailable());
    const int needed = lines * TextLineHeight(font);
    const int room = kInitialHeight - 2 * ps::kBoxTextTop;
    if (needed <= room) return;
    ResizeClient(kInitialWidth, std::min(kInitialHeight + needed - room, ps::kBoxMostHeight));
    CenterWindow();
}

void CDlgMesssageBox::DrawDialog(UiContext& ctx, UiRegion& root) {
    const int width = ctx.client.right;
    const int height = ctx.client.bottom;
    prompt_frame::DrawBody(root, ctx.client, ps::kBoxBody, 0);
    if (longText_) {
        UiTextBlock(root,
                    UiRect(ps::kBoxTextMargin, ps::kBoxTextTop, width - ps::kBoxTextMargin,
                           height - ps::kBoxTextTop),
                    mainText_, &TextFont(ps::kBoxTextPixels), ps::kBoxText);
    } else {
        const QFont& font = TextFont(ps::kBoxTextPixels);
        UiLabel(root,
                UiRect(ps::kBoxTextMargin, ps::kBoxTextTop, width - ps::kBoxTextMargin,
                       ps::kBoxTextTop + TextLineHeight(font)),
                mainText_, &font, ps::kBoxText, DT_CENTER);
        if (!secondText_.isEmpty()) {
            const QFont& second = TextFont(ps::kBoxSecondPixels);
            UiLabel(root,
                    UiRect(ps::kBoxTextMargin, ps::kBoxSecondTextTop, width - ps::kBoxTextMargin,
                           ps::kBoxSecondTextTop + TextLineHeight(second)),
                    secondText_, &second, ps::kBoxSecondText, DT_CENTER);
        }
    }

    const int top = height - ps::kBoxButtonBottom - prompt_frame::ButtonHeight();
    int blueLeft = (width - prompt_frame::ButtonWidth(secondCaption_)) / 2;
    if (!firstCaption_.isEmpty()) {
        const int whiteLeft =
            width / 2 - ps::kBoxButtonSpacing / 2 - prompt_frame::ButtonWidth(firstCaption_);
        blueLeft = width / 2 + ps::kBoxButtonSpacing / 2;
        if (prompt_frame::WhiteButton(root, whiteLeft, top, firstCaption_)) {
            ctx.Later([this] { EndDialog(kFirstButton); });
        }
    }
    if (prompt_frame::BlueButton(root, blueLeft, top, secondCaption_)) {
        ctx.Later([this] { EndDialog(kSecondButton); });
    }
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    const QString mainText = QString::fromStdString(text);
    CDlgMesssageBox box(mainText);
    box.SetCaption(QString::fromStdString(caption));
    const UINT buttons = type & 0xF;
    switch (buttons) {
        case MB_OKCANCEL:
            box.SetButtonCaptions(QStringLiteral("取消"), QStringLiteral("确定"));
            break;
        case MB_YESNO:
            box.SetButtonCaptions(QStringLiteral("否"), QStringLiteral("是"));
            break;
        default:
            box.SetButtonCaptions(QString(), QStringLiteral("确定"));
            break;
    }
    box.SetLongText(mainText.contains(QLatin1Char('\n')) ||
                    TextWidth(TextFont(ps::kBoxTextPixels), mainText) > TextWidthAvailable());
    const int result = box.DoModal(owner);
    if (result < 0) {
        // The box could not be made: the message still reaches the log.
        WriteLogText("a message box could not be shown: " + text);
    }
    const bool confirmed = result == CDlgMesssageBox::kSecondButton;
    switch (buttons) {
        case MB_OKCANCEL:
            return confirmed ? IDOK : IDCANCEL;
        case MB_YESNO:
            return confirmed ? IDYES : IDNO;
        default:
            return IDOK;
    }
}
