#pragma once
// The toolkit's gallery: a development window (never shown to users) with every element in
// every state, a list of 100,000 rows, a variable list, both scroll bars, and a shadowed dialog.

#include <QImage>
#include <memory>

#include "toolkit/lists/list_box.h"
#include "toolkit/lists/scroll_bar.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"

// The rows of the conversation list: drawn from nothing but the row number.
class GalleryConversationRows : public IListBoxOwner {
  public:
    static constexpr int kRowCount = 100000;
    static constexpr int kRowHeight = 56;
    void SetList(CListBoxWindow* list) { list_ = list; }
    void DrawRow(UiContext& ctx, int index, const UiRect& rect) override;
    void DrawEmpty(UiContext& ctx) override;
    QString RowName(int index) override;
    int opened = -1;

  private:
    CListBoxWindow* list_ = nullptr;
};

// The rows of the contact list: letter headers and people, of two heights.
class GalleryContactRows : public IListBoxOwner {
  public:
    void SetList(CListBoxWindow* list) { list_ = list; }
    // Fills the list: a header before every fifth row.
    void Fill(CListBoxWindow& list, int rows);
    void DrawRow(UiContext& ctx, int index, const UiRect& rect) override;
    QString RowName(int index) override;

  private:
    CListBoxWindow* list_ = nullptr;
};

class CGalleryWindow : public VWindowImpl<CGalleryWindow>, public CMoveable<CGalleryWindow> {
  public:
    static constexpr int kWidth = 1080;
    static constexpr int kHeight = 700;
    static std::string_view WindowClassName() { return "LumenoToolkitGalleryClass"; }

    CGalleryWindow();
    // A top-level, shadowed window at (x, y).
    HWND Open(int x, int y);
    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnLayout(int width, int height) override;

    CVirtualListBox& Conversations() { return conversations_; }
    CVirtualListBoxNofixLineHeight& Contacts() { return contacts_; }

  private:
    void DrawTitle(UiContext& ctx, UiRegion& root);
    void DrawButtons(UiContext& ctx, UiRegion& card);
    void DrawChoices(UiContext& ctx, UiRegion& card);
    void DrawIcons(UiContext& ctx, UiRegion& card);
    void DrawText(UiContext& ctx, UiRegion& card);

    CWndShadow shadow_;
    GalleryConversationRows conversationRows_;
    GalleryContactRows contactRows_;
    CVirtualListBox conversations_{&conversationRows_};
    CVirtualScrollBar conversationBar_;
    CVirtualListBoxNofixLineHeight contacts_{&contactRows_};
    CQVScrollBar contactBar_;
    bool remember_ = true;
    bool autoLogin_ = false;
    int exitChoice_ = 0;
    int linkClicks_ = 0;
};

// A small dialog in the manner of the client's: title bar, a text field, a check box and two
// buttons, with rounded corners and the drop shadow.
class CGalleryDialog : public VDialogImpl<CGalleryDialog> {
  public:
    static constexpr int kInitialWidth = 380;
    static constexpr int kInitialHeight = 236;
    static std::string_view WindowClassName() { return "LumenoToolkitGalleryDialogClass"; }

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  private:
    CWndShadow shadow_;
    bool alsoGroup_ = true;
};

// The gallery and its dialog, rendered off screen on a quiet backdrop, at `scale` (1, 1.25,
// 1.5, 2). With `focusRing`, the dialog's cancel button holds the keyboard focus.
QImage RenderGalleryScreenshot(qreal scale, bool focusRing = false);
