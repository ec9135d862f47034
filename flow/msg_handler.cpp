#include "flow/msg_handler.h"

namespace {

CAsyncMsgHandler* g_head = nullptr;

// Marks a broadcast's place in the list, so that handlers may unlink around it.
class CursorNode final : public CAsyncMsgHandler {};

}  // namespace

void CAsyncMsgHandler::OnMessage(const BroadcastMessage*) {}

void CAsyncMsgHandler::LinkAtHead() {
    if (IsLinked()) return;
    next_ = g_head;
    if (next_) next_->prevLink_ = &next_;
    prevLink_ = &g_head;
    g_head = this;
}

void CAsyncMsgHandler::Unlink() {
    if (!prevLink_) return;
    *prevLink_ = next_;
    if (next_) next_->prevLink_ = prevLink_;
    next_ = nullptr;
    prevLink_ = nullptr;
}

void Broadcast(UINT message, WPARAM wParam, LPARAM lParam) {
    const BroadcastMessage record{message, wParam, lParam};
    CursorNode cursor;
    CAsyncMsgHandler* handler = g_head;
    while (handler) {
        // The cursor sits right after the handler being called; whatever the call does to the
        // list, the cursor's successor is the next handler to visit.
        cursor.next_ = handler->next_;
        if (cursor.next_) cursor.next_->prevLink_ = &cursor.next_;
        handler->next_ = &cursor;
        cursor.prevLink_ = &handler->next_;
        handler->OnMessage(&record);
        handler = cursor.next_;
        cursor.Unlink();
    }
}
