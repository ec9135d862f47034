#pragma once
// What start-up prepares before any window, for tests of the client's windows: the component
// registry, the skin of the build, its fonts and pictures, and the window shadows.

#include <QString>

#include "app/component_tables.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/wnd_shadow.h"
#include "util/component_registry.h"

namespace lumeno::test {

inline void PrepareClientComponents(const QString& skinDirectory) {
    RegisterProgramComponentTables();
    GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr));
    SetSkinDirectory(skinDirectory);
    InitializeSkinFonts();
    InitializeSkinImages();
    CWndShadow::Initialize();
}

}  // namespace lumeno::test
