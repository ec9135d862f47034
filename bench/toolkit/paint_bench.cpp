// What painting costs: one full repaint of the toolkit gallery, and one hover repaint (the
// pointer moving from one element to its neighbour: a mouse pass and the repaint of the two
// elements), in microseconds and as a ratio to a bare QPainter fill of the gallery's size timed
// in the same round. An optional argument sets the number of rounds.

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "bench/support/rounds.h"
#include "tests/support/build_tree.h"
#include "toolkit/gallery/gallery_window.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "util/component_registry.h"
#include "util/small_components.h"

namespace {

using bench::Measure;
using bench::Median;
using bench::Work;

void Move(QWidget* widget, QPoint point) {
    QMouseEvent event(QEvent::MouseMove, QPointF(point), QPointF(widget->mapToGlobal(point)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    RegisterComponentTable(kUtilComponentTable);
    GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr));
    SetSkinDirectory(QString::fromUtf8(lumeno::test::build::SkinDir()));
    InitializeSkinFonts();
    CWndShadow::Initialize();

    CGalleryWindow gallery;
    if (!gallery.Open(0, 0)) return 1;
    QWidget* widget = gallery.Widget();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QSize size = widget->size();

    QImage target(size, QImage::Format_ARGB32_Premultiplied);
    QWidget* list = gallery.Conversations().Widget();
    // The window's own drawing function alone, without its child lists and its shadow.
    QImage client(gallery.ClientWidth(), gallery.ClientHeight(),
                  QImage::Format_ARGB32_Premultiplied);
    // Two neighbouring live check boxes of the gallery; the client starts at the shadow margin.
    const QPoint origin = gallery.ClientOrigin();
    const QPoint first = origin + QPoint(60, 430);
    const QPoint second = origin + QPoint(170, 430);
    bool onFirst = false;
    std::vector<Work> works = {
        {"bare QPainter fill",
         [&] {
             QPainter painter(&target);
             painter.fillRect(QRect(QPoint(0, 0), size), QColor(243, 245, 248));
         },
         40,
         {},
         {}},
        {"full gallery repaint", [&] { widget->repaint(); }, 10, {}, {}},
        {"drawing function alone",
         [&] {
             QPainter painter(&client);
             gallery.PrintClient(painter, gallery.GetClientRect());
         },
         10,
         {},
         {}},
        {"conversation list alone", [&] { list->repaint(); }, 10, {}, {}},
        {"hover repaint",
         [&] {
             onFirst = !onFirst;
             Move(widget, onFirst ? first : second);
         },
         40,
         {},
         {}},
    };
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 31;
    Measure(works, rounds);

    std::printf(
        "toolkit paint, gallery %d x %d, %d rounds (medians; ratios to the bare fill of "
        "the same round)\n",
        size.width(), size.height(), rounds);
    for (const Work& work : works) {
        std::printf("  %-24s %9.1f us  %6.2fx\n", work.name, Median(work.times),
                    Median(work.ratios));
    }
    std::printf("  targets: hover repaint <= 1.20x, full gallery repaint <= 10.00x\n");
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
    return 0;
}
