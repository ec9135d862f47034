#pragma once
// Answers every message box that opens while it lives, keeping its caption and text: the
// client's skinned box (pressing one of its buttons as a click would) and a system box (for the
// messages shown before the skin exists).

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "platform/window.h"
#include "ui/prompts/message_box.h"

namespace lumeno::test {

class BoxCatcher {
  public:
    struct Box {
        QString caption;
        QString text;
        std::vector<QString> buttons;  // the captions of the box's buttons, left to right
    };

    // `answer`: the caption of the button to press; empty presses the default button.
    explicit BoxCatcher(QString answer = QString()) : answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Catch(); });
        timer_.start(20);
    }
    std::vector<Box> boxes;

  private:
    void Catch() {
        auto* skinned = dynamic_cast<CDlgMesssageBox*>(platform::WindowFromHandle(
            platform::FindWindowByClass(CDlgMesssageBox::WindowClassName())));
        if (skinned && skinned->IsModal()) {
            Box box{skinned->GetWindowText(), skinned->MainText(), {}};
            UiRect press;
            for (const UiNode& node : skinned->Describe()) {
                if (node.role != UiRole::Button || node.name == QStringLiteral("关闭")) continue;
                box.buttons.push_back(node.name);
                if (answer_.isEmpty() ? Has(node.states, UiNodeState::Default)
                                      : node.name == answer_) {
                    press = node.rect;
                }
            }
            boxes.push_back(box);
            if (press.IsEmpty() || !skinned->ActivateElement(press)) skinned->EndDialog(IDCANCEL);
            return;
        }
        if (auto* message = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes.push_back(Box{message->windowTitle(), message->text(), {}});
            QMetaObject::invokeMethod(message, "accept", Qt::QueuedConnection);
        }
    }

    QString answer_;
    QTimer timer_;
};

}  // namespace lumeno::test
