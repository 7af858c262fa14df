#pragma once
// Whether the main window is shown after an unattended run.

namespace kp {

struct ErrorState;

// `mainWinOpt`: 0 show, 1 show on any error, 2 show on a severe error,
// 3 never show; a LEVELn threshold reached by an error also shows the window
// unless the option is 0 or 3.
bool ShouldShowMainWindow(int mainWinOpt, const ErrorState& errors);

} // namespace kp
