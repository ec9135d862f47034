#pragma once
// Answers the next popup menu the client opens, as a person would: it keeps the texts and
// enabled states of the menu's items and chooses the one named (or dismisses the menu when the
// name is empty or not there).

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QString>
#include <QTimer>
#include <vector>

namespace lumeno::test {

class MenuPicker {
  public:
    explicit MenuPicker(QString choose) : choose_(std::move(choose)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start(20);
    }
    std::vector<QString> texts;
    std::vector<bool> enabled;
    int menus = 0;  // menus seen

  private:
    void Look() {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || menu == last_) return;
        last_ = menu;
        ++menus;
        texts.clear();
        enabled.clear();
        QAction* pick = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) continue;
            texts.push_back(action->text());
            enabled.push_back(action->isEnabled());
            if (!choose_.isEmpty() && action->text() == choose_ && action->isEnabled())
                pick = action;
        }
        if (pick) {
            // Enter on the highlighted item, as the keyboard chooses: the menu ends with it.
            menu->setActiveAction(pick);
            QCoreApplication::postEvent(
                menu, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
        } else {
            QMetaObject::invokeMethod(menu, "close", Qt::QueuedConnection);
        }
    }

    QString choose_;
    QTimer timer_;
    QMenu* last_ = nullptr;
};

}  // namespace lumeno::test
