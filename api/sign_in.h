#pragma once
// Signing in (with a password, or with the token of a remembered account), the presence report
// and signing out. Progress of a sign-in is told through events of kind 0x1 (first value 0;
// second 1 about to send, 2 signed in, 3 failed); a refused password leaves its ErrorRecord under
// that kind. UI thread only.

#include <functional>
#include <string>

// Starts the password sign-in unless one runs.
void SignIn(const std::string& account, const std::string& password, bool remember, bool automatic);
// Reads the secrets of the remembered accounts that the desktop's secret store keeps (on the worker
// pool), then calls `done` on the UI thread; at once when none waits for them. An account whose
// secrets cannot be read stays remembered without them.
void LoadRememberedSecrets(std::function<void()> done);
// Starts the sign-in of the first remembered account when it has a name and a password (or
// token); false (and nothing started) otherwise.
bool SignInRemembered();
// Reports the user as away (quitting, or returning to the login page).
void ReportPresenceOff();
// Reports the user's presence every "main"/"time" + 1 ticks of ten seconds, and at once when the
// user comes back after a quiet tick. Runs until signing out.
void StartPresenceHeartbeat();
// Stops the account's jobs, forgets the signed-in account and closes its database.
void SignOut();
// At exit, after the message loop ended: stops every job, lets a write that runs on a worker
// finish (a few seconds at most) and closes the account database, in that order.
void ShutDownAccount();

// The service address of an operation: "https://<API host>/lumeno/<area>/v3/<operation>".
std::string ApiUrl(const std::string& area, const std::string& operation);
