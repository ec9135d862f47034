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

#include "toolkit/gallery/gallery_window.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "util/component_registry.h"
#include "util/small_components.h"

namespace {

// One kind of work, timed as the mean of `calls` calls in each round.
struct Work {
    const char* name;
    std::function<void()> run;
    int calls;
    std::vector<double> times;   // microseconds per call, one per round
    std::vector<double> ratios;  // to the bare fill of the same round
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Every round times every kind of work back to back, the bare fill first: a ratio compares
// work done within the same few milliseconds, so a machine that is busy for a while slows the
// baseline and the work alike. The medians over the rounds are reported.
void Measure(std::vector<Work>& works, int rounds) {
    for (Work& work : works)
        work.run();  // warm every cache once
    for (int round = 0; round < rounds; ++round) {
        for (Work& work : works) {
            const auto start = std::chrono::steady_clock::now();
            for (int call = 0; call < work.calls; ++call)
                work.run();
            const auto end = std::chrono::steady_clock::now();
            work.times.push_back(std::chrono::duration<double, std::micro>(end - start).count() /
                                 work.calls);
        }
        for (Work& work : works)
            work.ratios.push_back(work.times.back() / works.front().times.back());
    }
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
