#pragma once
// The warning the cookie purge gives when no cookie is protected: when it is
// due, and its answer. The dialog that asks it is TNoProtection.

#include <QSize>

#include <string>

namespace kp {

// The warning is due: the protect file names nothing, the run deletes, and
// the user has not switched the warning off (CookieMsgOpt "Y").
bool NoProtectionWarningDue(int protectedCount, bool previewFlag, const std::string& cookieMsgOpt);

struct NoProtectionAnswer {
    bool bypass = true;          // "Bypass": the cookie purge is skipped
    bool doNotShowAgain = false; // CookieMsgOpt becomes "Y"
};

// The warning's caption.
std::string NoProtectionCaption();

// Without a display: the warning goes to standard error and is answered
// with Bypass at once.
NoProtectionAnswer AnswerNoProtectionOnConsole();

// The dialog's size on a screen of `dpi` pixels per inch: from 106 up it
// grows by 15 % of the excess over 96.
QSize NoProtectionSizeFor(QSize designed, double dpi);

} // namespace kp
