#pragma once
// The splash window shown while an unattended run works.

#include <QWidget>

#include <memory>

namespace Ui {
class TSplash;
}

namespace kp {

class TSplash : public QWidget {
    Q_OBJECT
public:
    explicit TSplash(QWidget* parent = nullptr);
    ~TSplash() override;

    // Shows the window and paints it at once.
    void showNow();

private:
    std::unique_ptr<Ui::TSplash> ui_;
};

} // namespace kp
