#pragma once
// Tells the user over a group window that a request failed: the service's own error with its
// code, or the window's note when the service gave no code.

#include <QString>

#include "api/service_errors.h"
#include "platform/win_types.h"

void ShowGroupFailure(HWND owner, const ErrorRecord& error, const QString& what,
                      const QString& note);
