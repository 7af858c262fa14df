#pragma once
// The quick start window: the quick start text (purgeqst.rtf in the current
// folder) with the choice of showing it at start-up.

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class TQSform;
}

namespace kp {

namespace win {
class Machine;
}
struct GeneralSettings;

// The quick start file of the machine's current folder.
std::string quickStartFile(win::Machine& machine);

class TQSform : public QDialog {
    Q_OBJECT
public:
    // `machine` may be null (no file); `mainWindow` places the window.
    TQSform(win::Machine* machine, GeneralSettings& general, QWidget* mainWindow);
    ~TQSform() override;

    // Reads the file afresh and shows the window, modeless, in front.
    void showWindow();
    QString shownText() const;

public slots:
    void QScheckBoxClick(bool checked);

protected:
    bool event(QEvent* event) override;

private:
    void loadText();
    void FormActivate();

    std::unique_ptr<Ui::TQSform> ui_;
    win::Machine* machine_;
    GeneralSettings& general_;
    QWidget* mainWindow_;
    bool activated_ = false;
};

} // namespace kp
