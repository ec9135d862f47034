#pragma once
// Records and answers the message boxes that the code under test shows, from inside the
// application's own event loop (armed when the application object is made).

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <string>
#include <vector>

namespace lumeno::test {

struct SeenBox {
    std::string text;
    std::string caption;
    int otherTopLevelWindows = 0;  // visible top-level widgets besides the box
};

inline std::vector<SeenBox>& SeenBoxes() {
    static std::vector<SeenBox> boxes;
    return boxes;
}

inline void ArmModalBoxWatcher() {
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        SeenBox seen{box->text().toStdString(), box->windowTitle().toStdString(), 0};
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget != box && widget->isVisible()) ++seen.otherTopLevelWindows;
        }
        SeenBoxes().push_back(seen);
        box->accept();
    });
    timer->start(20);
}

}  // namespace lumeno::test
