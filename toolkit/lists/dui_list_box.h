#pragma once
// A short list of sections of different heights, each with a text, drawn entirely by its owner
// in a plain child window that scrolls by pixels and carries its own skinned scroll bar.

#include <QString>
#include <vector>

#include "toolkit/lists/scroll_bar.h"
#include "toolkit/window/window_impl.h"

class IDuiListBoxOwner {
  public:
    // Draws or hit-tests one item; `rect` is in the list's client coordinates.
    virtual void DrawItem(UiContext& ctx, int index, QString text, const UiRect& rect) {
        (void)ctx, (void)index, (void)text, (void)rect;
    }
    // Paints the whole list before its items (by default the palette's surface colour), so that
    // nothing of an earlier frame stays where no item is drawn now.
    virtual void DrawBackground(UiContext& ctx);
    virtual void DrawEmpty(UiContext& ctx) { DrawBackground(ctx); }
    virtual void OnMouseLeave() {}
    virtual LRESULT OnListMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
        (void)message, (void)wParam, (void)lParam;
        handled = false;
        return 0;
    }
    virtual void OnNotifyFirst(int value) { (void)value; }
    virtual void OnNotifySecond(int value) { (void)value; }
    virtual void OnNotifyThird(int value) { (void)value; }
    virtual ~IDuiListBoxOwner() = default;
};

class CVDuiListBox : public VWindowImpl<CVDuiListBox>, public IDuiListBoxOwner {
  public:
    static std::string_view WindowClassName() { return "VDuiListBox"; }

    // `owner` draws the items; null leaves the default operations (nothing drawn).
    explicit CVDuiListBox(IDuiListBoxOwner* owner = nullptr);

    void AddItem(const QString& text, int height);
    void ClearItems();
    // Recomputes the item rectangles; with `updateScroll` also the scroll range.
    void Layout(bool updateScroll = true);
    void SetScrollPosition(int position);
    int ScrollPosition() const { return scroll_.pos; }
    int ItemCount() const { return static_cast<int>(items_.size()); }
    const std::vector<UiRect>& ItemRects() const { return rects_; }
    CVirtualScrollBar& ScrollBar() { return bar_; }

    bool GetVScrollInfo(ScrollInfo& info) const override;
    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  private:
    struct Item {
        QString text;
        int height = 0;
    };
    int TotalHeight() const;
    void UpdateScrollInfo(bool setPosition, int position);
    void OnVScroll(int code);

    IDuiListBoxOwner* owner_;
    std::vector<Item> items_;
    std::vector<UiRect> rects_;
    ScrollInfo scroll_;
    CVirtualScrollBar bar_;
};
