#pragma once
// TNoProtection: the warning the cookie purge shows when no cookie is
// protected, with "Continue" and "Bypass" (the default and Escape button)
// and the check box "do not show this message again".

#include "protect/no_protection.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TNoProtection;
}

namespace kp {

// Shows TNoProtection modally over `parent` (default: the window the user
// works in) and returns the answer; without a display it is answered on the
// console.
NoProtectionAnswer ShowNoProtection(QWidget* parent = nullptr);

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
