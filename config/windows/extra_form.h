#pragma once
// TExtraForm: the separate purge option set of one unattended mode, in the
// section ConfigModePrefix + "Options".

#include <QDialog>

#include <memory>
#include <string>

class QCheckBox;
class QLineEdit;

namespace Ui {
class TExtraForm;
}

namespace kp {

namespace win {
class Machine;
}
struct FolderSet;
struct IeVersion;
struct PurgeOptionField;
struct AgeLimitField;

class TExtraForm : public QDialog {
    Q_OBJECT
public:
    TExtraForm(win::Machine& machine, const FolderSet& folders, const IeVersion& ie, QWidget* parent = nullptr);
    ~TExtraForm() override;

    // The mode edited: "Auto", "Boot" or "Shut".
    void setModePrefix(std::string prefix) { modePrefix_ = std::move(prefix); }

public slots:
    void FormActivate();
    void SaveOptionsSBtnClick();
    void ExitSBtnClick();
    void AllOnBtnClick();
    void AllOffBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    QCheckBox* optionBox(const PurgeOptionField& field) const;
    QLineEdit* ageField(const AgeLimitField& field) const;
    void setAllOptions(bool on);

    std::unique_ptr<Ui::TExtraForm> ui_;
    win::Machine& machine_;
    const FolderSet& folders_;
    const IeVersion& ie_;
    std::string modePrefix_;
};

} // namespace kp
