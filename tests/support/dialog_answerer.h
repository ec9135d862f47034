#pragma once
// Answers modal dialogs as a person does when they come up: a timer looks for a modal window of
// the dialog's class and acts on each new one once.

#include <QTimer>
#include <functional>

#include "platform/window.h"

namespace lumeno::test {

template <class T>
class DialogAnswerer {
  public:
    explicit DialogAnswerer(std::function<void(T&)> act) : act_(std::move(act)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start(20);
    }
    // How many dialogs were answered.
    int seen = 0;
    bool Seen() const { return seen > 0; }

  private:
    void Look() {
        auto* dialog = dynamic_cast<T*>(
            platform::WindowFromHandle(platform::FindWindowByClass(T::WindowClassName())));
        if (!dialog || !dialog->IsModal() || dialog == last_) return;
        last_ = dialog;
        ++seen;
        act_(*dialog);
    }

    std::function<void(T&)> act_;
    QTimer timer_;
    T* last_ = nullptr;
};

}  // namespace lumeno::test
