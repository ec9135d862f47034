#pragma once
// The verification message of a friend request: a box holding the caller's default text, which
// the person may change. It ends with IDOK (1) and the text, or IDCANCEL (2) for "关闭", Escape
// and the close button. An empty text is refused with a notice and the dialog stays.

#include <QPointer>

#include "ui/edit/edit_ex.h"
#include "ui/prompts/prompt_dialog.h"

class CDlgAddContactConfirm final : public CPromptDialog<CDlgAddContactConfirm> {
  public:
    static constexpr int kInitialWidth = 400;
    static constexpr int kInitialHeight = 270;
    // As many characters as the service keeps with a request.
    static constexpr int kMostCharacters = 500;
    static std::string_view WindowClassName() { return "QXDialogAddContactConfirmClass"; }

    explicit CDlgAddContactConfirm(QString defaultText);

    // The text in the box (while the dialog is up), else the text it ended with.
    QString Text() const;
    CEditEx* Box() const { return box_; }
    // "确定" as a click would: ends with IDOK unless the text is empty.
    void Confirm();

    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  private:
    QString Caption() const override { return QStringLiteral("Lumeno- 验证消息"); }
    QString Name() const override { return QStringLiteral("添加好友"); }
    void OnInitialized() override;
    void DrawDialog(UiContext& ctx, UiRegion& root) override;

    QString text_;
    QPointer<CEditEx> box_;
};
