#pragma once
// The window messages the core posts to the screens (and the push socket's own). The numbers are
// fixed: 2040 also crosses processes. Messages that only the screens exchange among themselves
// live with them (ui/ui_messages.h).

#include "platform/win_types.h"

constexpr UINT UM_IMAGE_READY = 1126;  // the image cache finished a picture (broadcast)
constexpr UINT UM_DISPATCH_EVENTS = 2030;
constexpr UINT UM_VOICE_NOTIFY = 2032;
constexpr UINT UM_RETURN_TO_LOGIN = 2034;
constexpr UINT UM_API_ERROR = 2037;
constexpr UINT UM_SHOW_MAIN = 2040;
constexpr UINT UM_SOCKET_NOTIFY = 0x465;  // readiness of the push connection's socket
