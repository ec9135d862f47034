#pragma once
// Closing a window that holds several conversations: all of them, or only the current one. The
// prompt may be told to always close all, which stops it.

#include "ui/prompts/prompt_dialog.h"

class CDlgCloseDialogWnd final : public CPromptDialog<CDlgCloseDialogWnd> {
  public:
    static constexpr int kInitialWidth = 400;
    static constexpr int kInitialHeight = 270;
    static std::string_view WindowClassName() { return "QXDialogCloseDialogWndClass"; }

    // Reads whether to ask and the last answer.
    CDlgCloseDialogWnd();

    bool ShowsPrompt() const { return showPrompt_; }
    // After result 1: close every conversation of the window.
    bool ClosesAll() const { return closeAll_; }

  private:
    QString Name() const override { return QStringLiteral("关闭对话"); }
    void DrawDialog(UiContext& ctx, UiRegion& root) override;
    void Apply(bool closeAll);

    bool showPrompt_ = true;
    bool closeAll_ = false;
};

// The multi-conversation window's close: true to close all conversations, false for only the
// current one; `cancelled` is set when the user closed the prompt instead.
bool AskCloseAllConversations(HWND owner, bool& cancelled);
