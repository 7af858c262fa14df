#pragma once
// The about box: the product, its version and build, and the Internet
// Explorer level the program works for.

#include <QDialog>

#include <memory>

namespace Ui {
class TAboutBox;
}

namespace kp {

struct IeVersion;

// "Processing for:  IE-6" (IE-5, IE-4) by the highest level found.
QString ieLevelText(const IeVersion& ie);

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(const IeVersion& ie, QWidget* parent = nullptr);
    ~TAboutBox() override;

private:
    std::unique_ptr<Ui::TAboutBox> ui_;
};

} // namespace kp
