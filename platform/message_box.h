#pragma once
// A plain system message box, for the few messages shown before any skinned window exists.

#include <string>

#include "platform/win_types.h"

namespace platform {

// Shows `text` under `caption` with the buttons of `type` (MB_OK, MB_OKCANCEL, MB_YESNO), modal
// to `owner` when given. Returns IDOK, IDCANCEL, IDYES or IDNO.
int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

}  // namespace platform
