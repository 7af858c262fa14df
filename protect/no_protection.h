#pragma once
// TNoProtection: the warning the cookie purge shows when no cookie is
// protected, with "Continue" and "Bypass" (the default and Escape button)
// and the check box "do not show this message again".

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class TNoProtection;
}

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

// The dialog's size on a screen of `dpi` pixels per inch: from 106 up it
// grows by 15 % of the excess over 96.
QSize NoProtectionSizeFor(QSize designed, double dpi);

class TNoProtection : public QDialog {
    Q_OBJECT
public:
    static constexpr int ResultContinue = 1;
    static constexpr int ResultBypass = 2;

    explicit TNoProtection(QWidget* parent = nullptr);
    ~TNoProtection() override;

    NoProtectionAnswer answer() const;

public slots:
    void OKBtnClick();
    void CancelBtnClick();

protected:
    void reject() override;

private:
    std::unique_ptr<Ui::TNoProtection> ui_;
};

} // namespace kp
