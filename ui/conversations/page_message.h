#pragma once
// The conversation page of the main window: one row per conversation of the session's store, the
// pending-items entry first, with avatar, title, time, newest message and unread marker. It
// opens conversations, offers a context menu and computes the total for the tab badge.

#include "toolkit/window/window_impl.h"

class CPageMessage : public VWindowImpl<CPageMessage> {
  public:
    static std::string_view WindowClassName() { return "LumenoPageMessageClass"; }

    CPageMessage();
    ~CPageMessage() override;

    // A child of the main window over its page area.
    HWND Create(HWND parent, const UiRect& rect);
    // Rebuilds the rows from the store; `keepPosition` keeps the first visible row.
    void Reload(bool keepPosition);
    // Back to the signed-out state: no rows, scrolled to the top.
    void Reset();
    // Unread messages of the conversations that announce them (the tab badge's number).
    int UnreadTotal() const;

    void DoUI(UiContext& ctx) override;
};
