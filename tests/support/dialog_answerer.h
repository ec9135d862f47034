#pragma once
// Answers modal dialogs as a person does when they come up: a timer looks for a modal window of
// the dialog's class and acts on each new one once.

#include <gtest/gtest.h>

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

// Acts once on the next modal dialog of class T, as soon as the keyboard is on one of its
// controls; a dialog the action leaves open fails the test (and is closed) after ten seconds.
template <class T>
void WhenShown(std::function<void(T&)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* dialog = dynamic_cast<T*>(
            platform::WindowFromHandle(platform::FindWindowByClass(T::WindowClassName())));
        if (!dialog || !dialog->IsModal() || dialog->FocusRect().IsEmpty()) return;
        timer->stop();
        timer->deleteLater();
        const HWND hwnd = dialog->m_hWnd;
        QTimer::singleShot(10000, [hwnd] {
            if (auto* left = dynamic_cast<T*>(platform::WindowFromHandle(hwnd))) {
                ADD_FAILURE() << "the dialog was left open";
                left->EndDialog(IDCANCEL);
            }
        });
        act(*dialog);
    });
    timer->start(10);
}

}  // namespace lumeno::test
