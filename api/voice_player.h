#pragma once
// Voice messages: a click on a clip downloads it, decodes it and plays it; a second click on
// the playing clip stops it, a click on another clip stops the first before the second sounds.
// Playback is told on the event bus as kind kVoicePlayback (first value the message id; 1
// playing, 2 stopped, 3 failed). The playing clip's message id is the controller's playing id.
// The clip's unread mark is cleared, on the service and here, once a device sounds it: without a
// device, or when the device refuses the clip, the play fails (with its reason) and the clip
// stays unread.

#include <cstdint>
#include <string>

#include "platform/win_types.h"

// The notices of the sound output, posted to the notification window as UM_VOICE_NOTIFY with
// the notice in wParam and the clip's message id in lParam.
constexpr WPARAM kVoiceOpened = 955;
constexpr WPARAM kVoiceClosed = 956;
constexpr WPARAM kVoiceDone = 957;
// The device refused the clip before any of it sounded.
constexpr WPARAM kVoiceRefused = 958;

// A click on the play control of the clip of message `messageId` (UI thread).
void PlayVoice(std::int32_t messageId);
// Stops the playing clip when it belongs to that conversation (its window is closing).
void StopVoiceOfConversation(std::int32_t conversationId);
// The main window received UM_VOICE_NOTIFY.
void OnVoiceNotice(WPARAM code, LPARAM messageId);
// Signing out: the clip stops without an event, and plays still on their way are dropped.
void StopVoiceForSignOut();

// Why the last play of that clip failed, in words for the user (empty when it did not fail).
std::string VoiceFailureText(std::int32_t messageId);

// "<data directory>/<account>/<name>", created when missing; empty when nobody is signed in or
// the folder cannot be made.
std::string AccountDirectory(const std::string& name);
