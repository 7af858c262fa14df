#pragma once
// TNoProtection: the warning the cookie purge shows when no cookie is
// protected, with "Continue" and "Bypass" (the default) and the check box
// "do not show this message again".

#include <string>

class QWidget;

namespace kp {

// The warning is due: the protect file names nothing, the run deletes, and
// the user has not switched the warning off (CookieMsgOpt "Y").
bool NoProtectionWarningDue(int protectedCount, bool previewFlag, const std::string& cookieMsgOpt);

struct NoProtectionAnswer {
    bool bypass = true;          // "Bypass": the cookie purge is skipped
    bool doNotShowAgain = false; // CookieMsgOpt becomes "Y"
};

// Shows TNoProtection modally and returns the answer. Without a display the
// warning goes to standard error and is answered with Bypass at once.
NoProtectionAnswer ShowNoProtection(QWidget* parent = nullptr);

} // namespace kp
