#pragma once
// Lists whose rows hold no data: the owner draws (and hit-tests) every visible row from its own
// data while the list paints, so a list of any length costs one count, and only the rows on
// screen reach the owner. CVirtualListBox has rows of one height; the rows of
// CVirtualListBoxNofixLineHeight each keep the height in force when they were inserted. Both
// scroll by whole rows, and both speak the list-box messages (LB_SETCOUNT, LB_INSERTSTRING,
// LB_RESETCONTENT, LB_GETTOPINDEX, LB_SETTOPINDEX, WM_SETREDRAW, WM_VSCROLL ...), so the
// skinned scroll bar can follow them.

#include <vector>

#include "toolkit/lists/scroll_geometry.h"
#include "toolkit/window/window_impl.h"

// Implemented by the page or dialog that owns a list.
class IListBoxOwner {
  public:
    // Draws or hit-tests one row; `rect` is in the list's client coordinates.
    virtual void DrawRow(UiContext& ctx, int index, const UiRect& rect) = 0;
    // Before the rows of a non-empty list. It paints the whole list, so that nothing of an earlier
    // frame stays where no row is drawn now (the list paints opaquely): by default the surface
    // colour of the palette.
    virtual void DrawBackground(UiContext& ctx);
    // Instead of the rows when the list has none.
    virtual void DrawEmpty(UiContext& ctx) { DrawBackground(ctx); }
    // The pointer left the list.
    virtual void OnMouseLeave() {}
    // What a screen reader says for a row (its title); empty rows are still listed.
    virtual QString RowName(int index) {
        (void)index;
        return QString();
    }
    // True when the rows' own elements (cells, buttons) are what a reader should hear: the rows
    // are then walked in the describe pass instead of being listed by RowName.
    virtual bool DescribesRowElements() const { return false; }
    // Every message of the list is offered here first; set `handled` to take it.
    virtual LRESULT OnListMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
        (void)message, (void)wParam, (void)lParam;
        handled = false;
        return 0;
    }
    virtual ~IListBoxOwner() = default;
};

// The list window both variants share.
class CListBoxWindow : public VWindowImpl<CListBoxWindow> {
  public:
    static constexpr int kControlId = 0x8019;
    static std::string_view WindowClassName() { return "LISTBOX"; }

    CListBoxWindow(IListBoxOwner* owner, bool fixedRowHeight);

    // A visible child of `parent` at `rect` with the list's control id.
    HWND Create(HWND parent, const UiRect& rect, int controlId = kControlId);

    // The list-box operations (each is the message of the same name).
    int GetCount() const;
    void SetCount(int count);
    int InsertItem(int index = -1);
    void DeleteItem(int index);
    void ResetContent();
    int GetTopIndex() const;
    void SetTopIndex(int index);
    UiRect GetItemRect(int index) const;
    // The row at a client point, or -1 when the point is below the last row or the list is
    // empty.
    int RowAt(int x, int y) const;

    // The height of rows of a fixed list, and of rows inserted from now on in a variable one.
    void SetRowHeight(int height);
    int RowHeight() const { return rowHeight_; }
    // The row under the pointer (owners draw it highlighted), -1 when none.
    int HoverRow() const { return hoverRow_; }
    IListBoxOwner* Owner() const { return owner_; }
    bool FixedRowHeight() const { return fixed_; }

    bool GetVScrollInfo(ScrollInfo& info) const override;
    UiWindowRole WindowRole() const override { return UiWindowRole::List; }
    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  protected:
    virtual void OnLeave();

  private:
    int RowHeightAt(int index) const;
    int RowsPerPage() const;
    int MaxTopIndex() const;
    void ScrollTo(int index);
    LRESULT ItemFromPoint(int x, int y) const;
    void TrackHover(int x, int y);
    // The rows under the pointer changed (scrolled, inserted, removed).
    void RowsMoved();
    void DescribeRows(UiContext& ctx);
    void InvalidateRow(int index);
    bool OnVScroll(int code, int position);

    IListBoxOwner* owner_;
    bool fixed_;
    int rowHeight_ = 20;
    int count_ = 0;
    std::vector<int> heights_;  // variable rows only
    int top_ = 0;
    int hoverRow_ = -1;
    bool trackingLeave_ = false;
    QPoint pointer_;  // where the pointer was last seen, while it is over the list
    int wheelRemainder_ = 0;
};

class CVirtualListBox : public CListBoxWindow {
  public:
    explicit CVirtualListBox(IListBoxOwner* owner) : CListBoxWindow(owner, true) {}
};

class CVirtualListBoxNofixLineHeight : public CListBoxWindow {
  public:
    explicit CVirtualListBoxNofixLineHeight(IListBoxOwner* owner) : CListBoxWindow(owner, false) {}

  protected:
    void OnLeave() override;
};
