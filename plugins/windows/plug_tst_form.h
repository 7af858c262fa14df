#pragma once
// TPlugTstForm: runs the shown plugin as a preview with full detail and lists
// what it would do, deleting nothing.

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

namespace Ui {
class TPlugTstForm;
}

namespace kp {

struct PurgeContext;

class TPlugTstForm : public QDialog {
    Q_OBJECT
public:
    TPlugTstForm(PurgeContext& context, QString pluginName, std::vector<std::string> lines,
                 QWidget* parent = nullptr);
    ~TPlugTstForm() override;

    QStringList listedLines() const;

public slots:
    void FormActivate();
    void CloseTstBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing ends here: the placement is saved.
    void done(int result) override;

private:
    std::unique_ptr<Ui::TPlugTstForm> ui_;
    PurgeContext& context_;
    QString pluginName_;
    std::vector<std::string> lines_;
};

} // namespace kp
