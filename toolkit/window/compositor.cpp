#include "toolkit/window/compositor.h"

#include <QGuiApplication>
#include <string>

#if __has_include(<xcb/xcb.h>)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#define LUMENO_HAVE_XCB 1
#endif

namespace {

#ifdef LUMENO_HAVE_XCB
// A compositing manager owns the selection "_NET_WM_CM_S<screen>".
bool X11CompositorRuns() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return false;
    xcb_connection_t* connection = x11->connection();
    const std::string name = "_NET_WM_CM_S0";
    auto cookie =
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(name.size()), name.c_str());
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!atom) return false;
    auto ownerCookie = xcb_get_selection_owner(connection, atom->atom);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, ownerCookie, nullptr);
    const bool runs = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return runs;
}
#endif

}  // namespace

bool CompositorAvailable() {
    if (!qGuiApp) return false;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform.startsWith(QLatin1String("wayland"))) {
        return true;
    }
#ifdef LUMENO_HAVE_XCB
    if (platform == QLatin1String("xcb")) return X11CompositorRuns();
#endif
    return false;
}
