#pragma once
// The fallback of the History purge: the Internet Options dialog of the
// machine, opened and operated through its windows, clears the history.
// With TRACE every step writes an "Htrace - " line.

#include "platform/system/session_windows.h"

#include <functional>

namespace kp {

struct PurgeContext;

struct InternetOptionsControl {
    win::MachineWindows& windows;
    // Starts "rundll32.exe shell32.dll,Control_RunDLL inetcpl.cpl,,0"; true
    // when it started.
    std::function<bool()> startDialog;
    // Sleeps the milliseconds, letting window messages run.
    std::function<void(int)> pause;
};

// True when the dialog's clear-history button was pressed. No window
// search runs without the machine's Wine session: its dialog would start
// a session that holds the history's files. Wine's own "Internet Settings"
// dialog, which has no clear-history button, is reported and closed.
bool DriveInternetOptionsClearHistory(PurgeContext& context, const InternetOptionsControl& control);

// The dialog started under the machine's Wine, left running.
bool startInternetOptionsDialog(PurgeContext& context);

// Sleeps `milliseconds` in short steps, letting window messages run.
void pauseLettingMessagesRun(int milliseconds);

} // namespace kp
