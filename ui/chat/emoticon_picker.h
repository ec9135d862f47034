#pragma once
// The emoticon picker: one popup per process with a thin border, opened over a chat window above
// its emoticon button, that shows the emoticon table as a grid of ten faces a row. Choosing a face
// (a click, or the arrow keys and Enter) remembers it and posts UM_EMOTICON_CHOSEN to the chat
// window that opened the picker, which then reads Chosen(); the message carries no address. The
// picker hides after a choice, on Escape, on WM_CLOSE and when another window takes the focus; it
// is never destroyed while the client runs.

#include <QImage>
#include <QRect>
#include <vector>

#include "conversation/emoticon_table.h"
#include "toolkit/lists/list_box.h"
#include "toolkit/lists/scroll_bar.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"

class CDlgExpression : public VWindowImpl<CDlgExpression, WS_POPUP | WS_CLIPSIBLINGS>,
                       public IListBoxOwner {
  public:
    static std::string_view WindowClassName() { return "QXDialogExpressionClass"; }

    // The picker of this process, made on first use with the table of the current skin.
    static CDlgExpression& Instance();

    CDlgExpression(const CDlgExpression&) = delete;
    CDlgExpression& operator=(const CDlgExpression&) = delete;

    // Opens the picker for `chatWindow`, whose frame is `chatWindowOnScreen`: from the chat
    // window's left edge (it never stands out past it while there is room) and above its input
    // area; shifted to stay whole on the work area of the chat window's screen where the window
    // is near an edge; scrolled to the first row, with the keyboard.
    void ShowPicker(HWND chatWindow, QRect chatWindowOnScreen);
    void Hide();

    // The emoticon chosen last (code and picture path), null before the first choice.
    const EmoticonEntry* Chosen() const;
    const EmoticonTable& Table() const { return table_; }
    // The cell the arrow keys are on, -1 when none.
    int KeyboardCell() const { return keyboardCell_; }
    CVirtualListBox& List() { return list_; }

    // Window.
    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    UiWindowRole WindowRole() const override { return UiWindowRole::Pane; }

    // The grid's list.
    void DrawRow(UiContext& ctx, int index, const UiRect& rect) override;
    void DrawBackground(UiContext& ctx) override;
    bool DescribesRowElements() const override { return true; }
    LRESULT OnListMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

  private:
    enum class KeyMove { Left, Right, Up, Down };

    CDlgExpression();
    ~CDlgExpression() override = default;

    bool EnsureWindow();
    void LoadDensePictures();
    bool OnKey(WPARAM key);
    void MoveKeyboardCell(KeyMove move);
    void Choose(int index);
    void PlaceScrollBar();

    EmoticonTable table_;
    // The pictures at twice the size, by entry; null where the skin has none.
    std::vector<QImage> dense_;
    CVirtualListBox list_;
    CQVScrollBar bar_;
    CWndShadow shadow_;
    HWND chatWindow_ = nullptr;
    int chosen_ = -1;
    int keyboardCell_ = -1;
};
