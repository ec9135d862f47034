#pragma once
// The client's message box: a question or notice in the skinned frame, modal over its owner.
// Every window of the client uses it instead of the system's box (platform/message_box.h stays
// for the messages shown before the skin is known).

#include <QString>
#include <string>

#include "platform/win_types.h"
#include "ui/prompts/prompt_dialog.h"

class CDlgMesssageBox final : public CPromptDialog<CDlgMesssageBox> {
  public:
    static constexpr int kInitialWidth = 360;
    static constexpr int kInitialHeight = 190;
    // What DoModal returns.
    static constexpr int kSecondButton = 1;  // the blue button on the right
    static constexpr int kFirstButton = 2;   // the white button on the left, Escape, close
    static std::string_view WindowClassName() { return "QXDialogMessageBoxClass"; }

    // Two lines of text: the main one, and a quieter second one under it.
    CDlgMesssageBox(QString mainText, QString secondText = QString());
    // The captions of the white (left) and blue (right) buttons; an empty first caption leaves
    // only the blue one.
    void SetButtonCaptions(QString first, QString second);
    // The main text wraps over several lines (and the box grows to hold them all) instead of
    // standing centred on one line.
    void SetLongText(bool longText) { longText_ = longText; }
    // The caption in the top bar and the task bar (instead of the product's name).
    void SetCaption(QString caption) { caption_ = std::move(caption); }

    const QString& MainText() const { return mainText_; }
    const QString& SecondText() const { return secondText_; }
    const QString& CaptionText() const { return caption_; }
    bool LongText() const { return longText_; }

  private:
    QString Caption() const override;
    QString Name() const override;
    QString FirstFocus() const override { return secondCaption_; }
    void OnInitialized() override;
    void DrawDialog(UiContext& ctx, UiRegion& root) override;

    QString mainText_;
    QString secondText_;
    QString firstCaption_ = QStringLiteral("取消");
    QString secondCaption_ = QStringLiteral("确定");
    QString caption_;
    bool longText_ = false;
};

// Shows `text` under `caption` (the product's name when empty) with the buttons of `type`
// (MB_OK, MB_OKCANCEL, MB_YESNO), modal over `owner` (may be null). A text too wide for one line
// wraps. Returns IDOK, IDCANCEL, IDYES or IDNO; Escape and the close button answer IDCANCEL (IDOK
// for MB_OK, IDNO for MB_YESNO).
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);
