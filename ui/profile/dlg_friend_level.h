#pragma once
// The friend level chosen before a friend request is sent or accepted: three levels, LV1 (the
// first) chosen at the start. It ends with IDOK (1) and the chosen level, or IDCANCEL (2) for
// "取消", Escape and the close button. It closes by itself when the account signs out under it.

#include "ui/prompts/prompt_dialog.h"

class CDlgFriendLevel final : public CPromptDialog<CDlgFriendLevel> {
  public:
    static constexpr int kInitialWidth = 360;
    static constexpr int kInitialHeight = 220;
    static constexpr int kLowest = 1;
    static constexpr int kHighest = 3;
    static std::string_view WindowClassName() { return "QXDialogFriendLevelClass"; }

    int Level() const { return level_; }
    // As a click on the level's row would.
    void Choose(int level);

  private:
    QString Caption() const override { return Name(); }
    QString Name() const override { return QStringLiteral("选择好友级别"); }
    QString FirstFocus() const override { return QStringLiteral("确定"); }
    void DrawDialog(UiContext& ctx, UiRegion& root) override;

    int level_ = kLowest;
};
