#pragma once
// "填写转达理由": asked before a recommendation is passed on. The reason box starts empty with
// the item's own wording as its placeholder, which is what is sent when nothing is typed; the
// check box also starts a group chat of the two people with the user.

#include <QPointer>
#include <QString>

#include "ui/edit/edit_ex.h"
#include "ui/prompts/prompt_dialog.h"

class CDlgSpecialRecommend final : public CPromptDialog<CDlgSpecialRecommend> {
  public:
    static constexpr int kInitialWidth = 360;
    static constexpr int kInitialHeight = 190;
    // What DoModal returns.
    static constexpr int kConfirmed = 1;
    static constexpr int kClosed = 2;  // "关闭", the close button, Escape, a return to login
    static std::string_view WindowClassName() { return "QXDialogSpecialRecommendClass"; }

    explicit CDlgSpecialRecommend(QString defaultText);

    // After kConfirmed: the reason to send, and whether the group chat was asked for.
    const QString& Reason() const { return reason_; }
    bool GroupChat() const { return groupChat_; }
    CEditEx* ReasonBox() const { return box_; }

    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  private:
    QString Caption() const override { return Name(); }
    QString Name() const override;
    QString FirstFocus() const override;
    void OnInitialized() override;
    void DrawDialog(UiContext& ctx, UiRegion& root) override;
    void Confirm();

    QString defaultText_;
    QString reason_;
    bool groupChat_ = false;
    QPointer<CEditEx> box_;
};
