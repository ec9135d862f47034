#pragma once
// The crash reporter's window: asks whether the report of a crash is to be sent and shows what
// would be sent. It only asks: "发送" answers kSend (the reporter then keeps and sends the
// report), "不发送", Escape and the close button answer kDontSend.

#include <QString>
#include <QStringList>

#include "ui/prompts/prompt_dialog.h"

class CDlgCrashReport final : public CPromptDialog<CDlgCrashReport> {
  public:
    static constexpr int kInitialWidth = 560;
    static constexpr int kInitialHeight = 400;
    // What DoModal returns.
    static constexpr int kSend = IDOK;
    static constexpr int kDontSend = IDCANCEL;
    static std::string_view WindowClassName() { return "QXDialogCrashReportClass"; }

    // `report`: the text that would be sent.
    explicit CDlgCrashReport(const QString& report);

    const QStringList& ReportLines() const { return lines_; }
    static QString CaptionText();
    static QString QuestionText();

  private:
    QString Caption() const override { return CaptionText(); }
    QString Name() const override { return CaptionText(); }
    QString FirstFocus() const override;
    void OnInitialized() override;
    void DrawDialog(UiContext& ctx, UiRegion& root) override;

    QStringList lines_;
};
