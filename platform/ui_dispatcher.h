#pragma once
// Internal: the QObject on the UI thread through which queued window messages are delivered.

#include <QEvent>
#include <QObject>

#include "platform/win_types.h"

namespace platform::detail {

class UiDispatcher final : public QObject {
  public:
    static UiDispatcher* Instance();  // null while no application object exists
    static QEvent::Type MessageEventType();

    // Delivers one message as if it came out of the queue: filters first, then the window.
    static void DeliverQueued(MSG msg);

  protected:
    bool event(QEvent* event) override;
};

}  // namespace platform::detail
