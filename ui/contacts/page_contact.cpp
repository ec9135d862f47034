#include "ui/contacts/page_contact.h"

#include "toolkit/elements/ui_elements.h"

CPageContact::CPageContact() = default;
CPageContact::~CPageContact() {
    if (IsWindow()) DestroyWindow();
}

HWND CPageContact::Create(HWND parent, const UiRect& rect) {
    return VWindowImpl::Create(parent, rect);
}

void CPageContact::Search(const QString&) {}
bool CPageContact::InSearchMode() const {
    return false;
}
void CPageContact::LeaveSearch() {}
void CPageContact::OpenFirstResult() {}
void CPageContact::Clear() {}

void CPageContact::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, QColor(255, 255, 255));
}
