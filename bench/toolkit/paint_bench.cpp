// What painting costs: one full repaint of the toolkit gallery, and one hover repaint (the
// pointer moving from one element to its neighbour: a mouse pass and the repaint of the two
// elements), each as a ratio to a bare QPainter fill of the gallery's size in the same run.

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "toolkit/gallery/gallery_window.h"
#include "toolkit/skin_directory.h"
#include "toolkit/skin_fonts.h"
#include "util/component_registry.h"
#include "util/small_components.h"

namespace {

// The median time of one call, in microseconds, over `rounds` rounds of `calls` calls.
double MedianMicroseconds(const std::function<void()>& work, int rounds, int calls) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int call = 0; call < calls; ++call)
            work();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count() / calls);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

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
    SetSkinDirectory(QStringLiteral(LUMENO_BENCH_SKIN_DIR));
    InitializeSkinFonts();
    CWndShadow::Initialize();

    CGalleryWindow gallery;
    if (!gallery.Open(0, 0)) return 1;
    QWidget* widget = gallery.Widget();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QSize size = widget->size();

    QImage target(size, QImage::Format_ARGB32_Premultiplied);
    const double fill = MedianMicroseconds(
        [&] {
            QPainter painter(&target);
            painter.fillRect(QRect(QPoint(0, 0), size), QColor(243, 245, 248));
        },
        15, 40);
    const double full = MedianMicroseconds([&] { widget->repaint(); }, 15, 10);
    QWidget* list = gallery.Conversations().Widget();
    const double listRepaint = MedianMicroseconds([&] { list->repaint(); }, 15, 10);
    // The window's own drawing function alone, without its child lists and its shadow.
    QImage client(gallery.ClientWidth(), gallery.ClientHeight(),
                  QImage::Format_ARGB32_Premultiplied);
    const double own = MedianMicroseconds(
        [&] {
            QPainter painter(&client);
            gallery.PrintClient(painter, gallery.GetClientRect());
        },
        15, 10);
    // Two neighbouring live check boxes of the gallery; the client starts at the shadow margin.
    const QPoint origin = gallery.ClientOrigin();
    const QPoint first = origin + QPoint(60, 430);
    const QPoint second = origin + QPoint(170, 430);
    bool onFirst = false;
    const double hover = MedianMicroseconds(
        [&] {
            onFirst = !onFirst;
            Move(widget, onFirst ? first : second);
        },
        15, 40);

    std::printf("toolkit paint, gallery %d x %d (one run, medians)\n", size.width(), size.height());
    std::printf("  bare QPainter fill      %9.1f us   1.00x\n", fill);
    std::printf("  full gallery repaint    %9.1f us  %5.2fx the bare fill\n", full, full / fill);
    std::printf("  drawing function alone  %9.1f us  %5.2fx the bare fill\n", own, own / fill);
    std::printf("  conversation list alone %9.1f us  %5.2fx the bare fill\n", listRepaint,
                listRepaint / fill);
    std::printf("  hover repaint           %9.1f us  %5.2fx the bare fill\n", hover, hover / fill);
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
    return 0;
}
