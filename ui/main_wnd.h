#pragma once
// The main window: the one top-level frame of the client and the hub through which work flows
// continue (their continuation message arrives here) and every other message is broadcast.

#include <QWidget>
#include <memory>

#include "platform/window.h"

class CMainWnd final : public QWidget, public platform::Window {
  public:
    static constexpr const char* kClassName = "LumenoMainFrameClass";

    // The process-wide main window object, created on first request.
    static CMainWnd& Instance();
    // Destroys the object at the end of the process (after its window is gone).
    static void DestroyInstance();

    // Creates the window at the given screen rectangle; null when that fails.
    HWND Create(int left, int top, int right, int bottom);

    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    QWidget* NativeWidget() override { return this; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    CMainWnd();
    // Brings the window forward.
    void ShowMain();
};
