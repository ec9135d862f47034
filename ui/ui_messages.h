#pragma once
// The window messages the screens exchange among themselves. None carries an address: the
// receiver reads what it needs from the sender or from the stores.

#include "platform/win_types.h"
#include "util/user_messages.h"

constexpr UINT UM_EDIT_CHANGED = 2025;        // wParam = the box's kind
constexpr UINT UM_EDIT_RETURN = 2026;         // wParam = the box's kind, lParam 0 Enter, 1 Tab
constexpr UINT UM_WEB_NAVIGATE = 2027;        // the conversation page asked for a pseudo-URL
constexpr UINT UM_HISTORY_READY = 2028;       // wParam/lParam = the batch's position
constexpr UINT UM_CLOSE_TAB = 2029;           // wParam = the conversation id
constexpr UINT UM_OPEN_TAB = 2031;            // wParam = the conversation id
constexpr UINT UM_MARK_READ = 2033;           // the selected conversation is read
constexpr UINT UM_NOTICE_HIDE = 2036;         // a notice bar's timer ran out
constexpr UINT UM_NOTICE_CLICKED = 2038;      // wParam = the bar's kind, lParam = its context
constexpr UINT UM_MENTION_CHOSEN = 2039;      // wParam = the row chosen in the mention picker
constexpr UINT UM_PENDING_REQUEST = 2041;     // pending-items window -> profile window
constexpr UINT UM_EMOTICON_CHOSEN = 2043;     // emoticon picker -> chat window: read its Chosen()
constexpr UINT UM_CHAT_INPUT_SEND = 2044;     // Enter in a chat window's input box
constexpr UINT UM_CHAT_INPUT_CHANGED = 2045;  // a chat window's input box changed
constexpr UINT UM_CHAT_INPUT_ESCAPE = 2046;   // Escape in a chat window's input box
constexpr UINT UM_WEB_PAGE_GONE = 2047;       // the conversation page's renderer ended
constexpr UINT UM_SPECIALS_FAILURE = 2070;    // pending-items window: show the queued failures
constexpr UINT UM_PROFILE_STEP = 2050;        // a profile window's flow ended: wParam = its step
constexpr UINT UM_EDIT_LEAVE = 3024;          // an input box lost the keyboard
