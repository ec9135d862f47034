#pragma once
// Keys of native Qt widgets for the message loop's filters.

#include "platform/win_types.h"

// The virtual-key code of a Qt key, 0 for keys the windows do not handle.
WPARAM VirtualKey(int key);

// From now on keys typed into native widgets inside skinned windows pass the current loop's
// message filters first, as WM_KEYDOWN / WM_KEYUP of the skinned window; a filter that claims
// one takes it from the widget. Installed once per application.
void InstallKeyBridge();
