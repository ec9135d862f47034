#pragma once
// The contacts page of the main window: the collapsible group-chat section, then the contacts
// under the initial letter of their names ("#" last), and the results of the main window's
// search box (name, pinyin, initials, career; groups after contacts).

#include <QString>

#include "toolkit/window/window_impl.h"

class CPageContact : public VWindowImpl<CPageContact> {
  public:
    static std::string_view WindowClassName() { return "LumenoPageContactClass"; }

    CPageContact();
    ~CPageContact() override;

    // A child of the main window over its page area.
    HWND Create(HWND parent, const UiRect& rect);
    // Shows the results for a non-empty search text (entering search mode).
    void Search(const QString& text);
    bool InSearchMode() const;
    // Leaves search mode and returns to the first row shown before the search began.
    void LeaveSearch();
    // Enter in the search box: opens the conversation of the first result, if any.
    void OpenFirstResult();
    // Back to the signed-out state: search off, groups collapsed, no rows.
    void Clear();

    void DoUI(UiContext& ctx) override;
};
