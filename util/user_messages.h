#pragma once
// The program's own window messages. The numbers are fixed: 2040 also crosses processes.

#include "platform/win_types.h"

constexpr UINT UM_IMAGE_READY = 1126;  // the image cache finished a picture (broadcast)
constexpr UINT UM_EDIT_CHANGED = 2025;
constexpr UINT UM_EDIT_RETURN = 2026;
constexpr UINT UM_WEB_NAVIGATE = 2027;
constexpr UINT UM_HISTORY_READY = 2028;
constexpr UINT UM_CLOSE_TAB = 2029;
constexpr UINT UM_DISPATCH_EVENTS = 2030;
constexpr UINT UM_OPEN_TAB = 2031;
constexpr UINT UM_VOICE_NOTIFY = 2032;
constexpr UINT UM_MARK_READ = 2033;
constexpr UINT UM_RETURN_TO_LOGIN = 2034;
constexpr UINT UM_NOTICE_HIDE = 2036;
constexpr UINT UM_API_ERROR = 2037;
constexpr UINT UM_NOTICE_CLICKED = 2038;
constexpr UINT UM_MENTION_CHOSEN = 2039;
constexpr UINT UM_SHOW_MAIN = 2040;
constexpr UINT UM_PENDING_REQUEST = 2041;
constexpr UINT UM_EDIT_LEAVE = 3024;
constexpr UINT UM_SOCKET_NOTIFY = 0x465;  // readiness of the push connection's socket
