#pragma once
// The splash window shown while an unattended run works: a framed window
// without title bar or borders to drag, on top of the others.

#include <QFrame>

#include <memory>

namespace Ui {
class TSplash;
}

namespace kp {

class TSplash : public QFrame {
    Q_OBJECT
public:
    explicit TSplash(QWidget* parent = nullptr);
    ~TSplash() override;

    // Shows the window centred over the window the user works in (else on
    // the screen) and paints it at once.
    void showNow();

private:
    std::unique_ptr<Ui::TSplash> ui_;
};

} // namespace kp
