#pragma once
// The skinned windows to assistive technology. A window's widget has a Qt accessibility
// interface whose children are its child windows and the elements its drawing function shows,
// as the describe pass records them (role, name, state, bounds); buttons press, check boxes
// and radio buttons toggle, rows press, and focus, state and name changes are announced, so that
// Qt's AT-SPI bridge hands all of it to the desktop's screen reader.

#include "toolkit/elements/ui_rect.h"

class QWidget;

// Makes the skinned windows' widgets answer for themselves (once per process).
void InstallSurfaceAccessibility();
// The window repainted: what it shows may have changed. Cheap while no reader listens.
void AccessibleNoteChanged(QWidget* surface);
// The keyboard moved to the element at `rect` of the window.
void AccessibleNoteFocus(QWidget* surface, const UiRect& rect);
