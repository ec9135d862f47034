#include "ui/conversations/page_message.h"

#include "toolkit/elements/ui_elements.h"

CPageMessage::CPageMessage() = default;
CPageMessage::~CPageMessage() {
    if (IsWindow()) DestroyWindow();
}

HWND CPageMessage::Create(HWND parent, const UiRect& rect) {
    return VWindowImpl::Create(parent, rect);
}

void CPageMessage::Reload(bool) {}
void CPageMessage::Reset() {}
int CPageMessage::UnreadTotal() const {
    return 0;
}

void CPageMessage::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, QColor(246, 246, 246));
}
