// The toolkit gallery for development: shows every element of the window toolkit. With
// "--screenshot <file> [--scale 2] [--focus]" it writes the gallery as a picture instead (with
// the keyboard on the dialog's button); with "--grab <file>" it shows the gallery and its dialog
// and writes what the screen shows; "--with-dialog" opens the dialog beside the gallery.

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstring>

#include "toolkit/gallery/gallery_window.h"
#include "toolkit/skin/skin_fonts.h"
#include "util/component_registry.h"
#include "util/small_components.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    RegisterComponentTable(kUtilComponentTable);
    if (GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)) != S_OK) return 1;
    InitializeSkinFonts();

    if (argc >= 3 && std::strcmp(argv[1], "--screenshot") == 0) {
        const qreal scale = argc >= 5 && std::strcmp(argv[3], "--scale") == 0 ? atof(argv[4]) : 1;
        const bool focus = std::strcmp(argv[argc - 1], "--focus") == 0;
        const bool saved = RenderGalleryScreenshot(scale > 0 ? scale : 1, focus).save(argv[2]);
        GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
        return saved ? 0 : 1;
    }

    CWndShadow::Initialize();
    CGalleryWindow gallery;
    if (!gallery.Open(120, 80)) return 1;
    CGalleryDialog dialog;
    if (argc >= 2 && std::strcmp(argv[1], "--with-dialog") == 0) dialog.Create(gallery);
    if (argc >= 3 && std::strcmp(argv[1], "--grab") == 0) {
        dialog.Create(gallery);
        const char* file = argv[2];
        QTimer::singleShot(1500, [file] {
            const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(file);
            QCoreApplication::exit(saved ? 0 : 1);
        });
    }
    const int result = application.exec();
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
    return result;
}
